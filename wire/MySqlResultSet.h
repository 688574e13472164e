#pragma once
// Reading the rows of a text result set, in place, one message at a time.
#include "wire/MySqlMessages.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class TMySqlSession;

// The values of the current row: one slot per column and the row message they point into.
// Valid until the next fetch.
struct TMySqlBinds {
  std::vector<TMySqlBind> Slots;
  std::span<const std::uint8_t> Row;

  std::string_view Value(std::size_t i) const {
    const TMySqlBind& slot = Slots[i];
    return {reinterpret_cast<const char*>(Row.data()) + slot.Offset, slot.Length};
  }
};

class TMySqlResultSet {
 public:
  TMySqlResultSet(TMySqlSession& session, std::vector<TMySqlFieldInfo> fields);
  TMySqlResultSet(const TMySqlResultSet&) = delete;
  TMySqlResultSet& operator=(const TMySqlResultSet&) = delete;
  ~TMySqlResultSet();

  // Reads column definitions up to their end packet; count of them are kept.
  static std::vector<TMySqlFieldInfo> ReadFieldsInfo(TMySqlSession& session, std::uint64_t count);

  // The next row into the binds; false at the end of the rows.
  bool Fetch();
  const TMySqlBinds& Binds() const { return FBinds; }
  std::size_t FieldCount() const { return FFields.size(); }
  const std::vector<TMySqlFieldInfo>& Fields() const { return FFields; }
  bool Eof() const { return FEof; }
  TMySqlSession* Session() const { return FSession; }
  // The session goes away before the result set.
  void Detach() { FSession = nullptr; }

 private:
  void ReadStatus(std::span<const std::uint8_t> endPacket);

  TMySqlSession* FSession;
  std::vector<TMySqlFieldInfo> FFields;
  TMySqlBinds FBinds;
  bool FEof = false;
};
