#include "tools/morvane-query/BatchOutput.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// The letter after the backslash for each byte that is escaped, 0 for the others.
constexpr std::array<char, 256> EscapeLetters = [] {
  std::array<char, 256> letters{};
  letters['\0'] = '0';
  letters['\t'] = 't';
  letters['\n'] = 'n';
  letters['\\'] = '\\';
  return letters;
}();

// How many bytes at the start of text need no escape, looked at eight at a time while none does.
std::size_t PlainLength(std::string_view text) {
  constexpr std::uint64_t Ones = 0x0101010101010101, Highs = 0x8080808080808080;
  const auto holds = [](std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (Ones * byte);
    return (x - Ones) & ~x & Highs;
  };
  std::size_t plain = 0;
  for (; plain + 8 <= text.size(); plain += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + plain, sizeof word);
    if (holds(word, '\0') | holds(word, '\t') | holds(word, '\n') | holds(word, '\\')) break;
  }
  while (plain < text.size() && EscapeLetters[static_cast<unsigned char>(text[plain])] == 0) ++plain;
  return plain;
}

}  // namespace

void TBatchOutput::Separate() {
  if (FRowStarted) FLine.push_back('\t');
  FRowStarted = true;
}

void TBatchOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FHeaderDue = FColumnNames;
}

void TBatchOutput::Value(std::optional<std::string_view> value) {
  if (FHeaderDue) {
    FHeaderDue = false;
    // Column names are written as they are, without escaping.
    for (const TResultColumn& column : FColumns) {
      Separate();
      FLine += column.Name;
    }
    EndRow();
  }
  Separate();
  if (!value)
    FLine += "NULL";
  else if (FRaw)
    FLine += *value;
  else
    AppendEscaped(*value);
}

void TBatchOutput::AppendEscaped(std::string_view value) {
  for (;;) {
    const std::size_t plain = PlainLength(value);
    FLine.append(value.data(), plain);
    if (plain == value.size()) return;
    FLine.push_back('\\');
    FLine.push_back(EscapeLetters[static_cast<unsigned char>(value[plain])]);
    value.remove_prefix(plain + 1);
  }
}

void TBatchOutput::EndRow() {
  FLine.push_back('\n');
  std::fwrite(FLine.data(), 1, FLine.size(), FOut);
  FLine.clear();
  FRowStarted = false;
}
