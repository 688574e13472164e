#pragma once
// Large objects (blob, memo and wide memo values) of the record store.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A large object shared by use count: the value of a blob, memo or wide memo field, kept as a
// chain of pieces. A Unicode object holds UTF-16 text, any other bytes.
class TBlob {
 public:
  explicit TBlob(bool isUnicode = false) : FIsUnicode(isUnicode) {}
  TBlob(const TBlob&) = delete;
  TBlob& operator=(const TBlob&) = delete;

  void AddRef() { ++FUses; }
  // Drops one use and deletes the object with its last one.
  void Release();

  bool IsUnicode() const { return FIsUnicode; }
  // Copies up to count bytes from position (count 0: to the end); returns the bytes copied.
  std::size_t Read(std::size_t position, std::size_t count, void* destination) const;
  // Overwrites and extends; a position past the end is taken as the end.
  void Write(std::size_t position, std::size_t count, const void* source);
  void Truncate(std::size_t size);
  void Clear() { Truncate(0); }
  bool IsEmpty() const { return GetSize() == 0; }
  std::size_t GetSize() const { return FSize; }
  void Defrag();
  std::size_t PieceCount() const { return FPieces.size(); }

  std::string AsBytes() const;
  std::string AsString() const;  // UTF-8
  std::u16string AsWideString() const;
  void SetAsBytes(std::string_view bytes);
  void SetAsString(std::string_view utf8);

  // The value before the first change since creation or the last Commit: Commit forgets it,
  // Cancel puts it back.
  void Commit() { FSaved.reset(); }
  void Cancel();

  static constexpr std::size_t DefaultPieceSize = 65514;
  std::size_t PieceSize = DefaultPieceSize;

 protected:
  virtual ~TBlob() = default;

 private:
  void SaveBeforeChange();
  bool FIsUnicode;
  int FUses = 1;
  std::size_t FSize = 0;
  std::vector<std::string> FPieces;
  std::optional<std::string> FSaved;
};

// Large objects of new records; they compress nothing while compression is off.
class TCompressedBlob : public TBlob {
 public:
  using TBlob::TBlob;
};
