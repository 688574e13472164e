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

// As PlainLength, for text of a character set where the second byte of a character may look like
// a backslash: such a pair is passed over whole.
std::size_t PlainLengthOfPairs(std::string_view text, bool (*leadByte)(unsigned char)) {
  std::size_t plain = 0;
  while (plain < text.size()) {
    const auto byte = static_cast<unsigned char>(text[plain]);
    if (leadByte(byte) && plain + 1 < text.size())
      plain += 2;
    else if (EscapeLetters[byte] == 0)
      ++plain;
    else
      break;
  }
  return plain;
}

bool GbkLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}

bool SjisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

TBatchOutput::TBatchOutput(std::FILE* out, bool columnNames, bool raw, std::string_view characterSet)
    : FOut(out), FColumnNames(columnNames), FRaw(raw) {
  if (characterSet == "gbk" || characterSet == "big5" || characterSet == "gb18030")
    FLeadByte = GbkLeadByte;
  else if (characterSet == "sjis" || characterSet == "cp932")
    FLeadByte = SjisLeadByte;
}

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
    const std::size_t plain = FLeadByte ? PlainLengthOfPairs(value, FLeadByte) : PlainLength(value);
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
