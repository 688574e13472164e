#include "tools/morvane-query/BatchOutput.h"

#include "wire/MySqlField.h"

#include <algorithm>
#include <array>
#include <bit>
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

// Eight bytes of text, the first in the lowest bits.
std::uint64_t LoadWord(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// The bytes of a word that are escaped, each flagged by its high bit. A borrow can flag a byte
// above a real one falsely, so only the lowest flag is exact, and only it is used.
std::uint64_t EscapedBytes(std::uint64_t word) {
  constexpr std::uint64_t Ones = 0x0101010101010101, Highs = 0x8080808080808080;
  const auto holds = [word](unsigned char byte) {
    const std::uint64_t x = word ^ (Ones * byte);
    return (x - Ones) & ~x & Highs;
  };
  return holds('\0') | holds('\t') | holds('\n') | holds('\\');
}

// How many bytes at the start of text need no escape, looked at eight at a time.
std::size_t PlainLength(std::string_view text) {
  const std::size_t size = text.size();
  if (size < 8) {
    std::size_t plain = 0;
    while (plain < size && EscapeLetters[static_cast<unsigned char>(text[plain])] == 0) ++plain;
    return plain;
  }
  // The last word overlaps the one before it; its bytes that were looked at flag nothing.
  for (std::size_t at = 0;; at += 8) {
    at = std::min(at, size - 8);
    if (const std::uint64_t found = EscapedBytes(LoadWord(text.data() + at)))
      return at + static_cast<std::size_t>(std::countr_zero(found)) / 8;
    if (at + 8 == size) return size;
  }
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

// The server writes numbers, dates and times in digits and punctuation alone: nothing to escape.
bool NeedsNoEscape(std::uint8_t type) {
  return type <= MYSQL_TYPE_NEWDATE || type == MYSQL_TYPE_NEWDECIMAL;
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

void TBatchOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FHeaderDue = FColumnNames;
  FColumn = 0;
}

char* TBatchOutput::StartValue(std::size_t size) {
  FRows.Reserve(FRows.Length() + 1 + size);
  char* out = reinterpret_cast<char*>(FRows.Data()) + FRows.Length();
  if (FColumn > 0) *out++ = '\t';
  ++FColumn;
  return out;
}

void TBatchOutput::EndValue(const char* end) {
  FRows.SetLength(static_cast<std::size_t>(end - reinterpret_cast<const char*>(FRows.Data())));
}

void TBatchOutput::WriteRaw(std::string_view text) {
  EndValue(std::copy_n(text.data(), text.size(), StartValue(text.size())));
}

void TBatchOutput::WriteHeader() {
  FHeaderDue = false;
  // Column names are written as they are, without escaping.
  for (const TResultColumn& column : FColumns) WriteRaw(column.Name);
  EndRow();
}

void TBatchOutput::Value(const std::optional<std::string_view>& value) {
  if (FHeaderDue) WriteHeader();
  if (!value)
    WriteRaw("NULL");
  else if (FRaw || (FColumn < FColumns.size() && NeedsNoEscape(FColumns[FColumn].Type)))
    WriteRaw(*value);
  else  // an escaped byte takes two
    EndValue(WriteEscaped(*value, StartValue(2 * value->size())));
}

char* TBatchOutput::WriteEscaped(std::string_view value, char* out) const {
  for (;;) {
    const std::size_t plain = FLeadByte ? PlainLengthOfPairs(value, FLeadByte) : PlainLength(value);
    out = std::copy_n(value.data(), plain, out);
    if (plain == value.size()) return out;
    *out++ = '\\';
    *out++ = EscapeLetters[static_cast<unsigned char>(value[plain])];
    value.remove_prefix(plain + 1);
  }
}

void TBatchOutput::EndRow() {
  FRows.Append('\n');
  FColumn = 0;
  if (FRows.Length() >= FlushSize) Flush();
}

void TBatchOutput::Flush() {
  if (FRows.Length() == 0) return;
  std::fwrite(FRows.Data(), 1, FRows.Length(), FOut);
  FRows.SetLength(0);
}
