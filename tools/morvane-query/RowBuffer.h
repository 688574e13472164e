#pragma once
// The values of a result set held until it is whole, compactly: each as its length (a varint, 0
// for NULL, else length + 1) and its bytes, in blocks of a megabyte or more so that holding many
// rows neither copies them again as it grows nor costs more than a few bytes a value.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class TRowBuffer {
 public:
  void Add(std::optional<std::string_view> value);
  // Keeps the first block for the next result set.
  void Clear();

  // Hands every value to visit(std::optional<std::string_view>), in the order added.
  template <class TVisit>
  void ForEach(TVisit&& visit) const {
    for (const TBlock& block : FBlocks) {
      const char* at = block.Bytes.get();
      const char* const end = at + block.Used;
      while (at < end) {
        std::uint64_t length = 0;
        for (int shift = 0;; shift += 7) {
          const auto byte = static_cast<std::uint8_t>(*at++);
          length |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
          if ((byte & 0x80) == 0) break;
        }
        if (length == 0) {
          visit(std::optional<std::string_view>());
        } else {
          visit(std::optional<std::string_view>(std::string_view(at, length - 1)));
          at += length - 1;
        }
      }
    }
  }

 private:
  struct TBlock {
    std::unique_ptr<char[]> Bytes;
    std::size_t Used = 0;
    std::size_t Size = 0;
  };

  std::vector<TBlock> FBlocks;
};
