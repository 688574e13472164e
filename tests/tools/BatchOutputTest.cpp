#include "tools/morvane-query/BatchOutput.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct TFileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// What a batch output wrote to its stream.
std::string Written(std::FILE* file) {
  std::fflush(file);
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  return text;
}

std::string EscapedByteByByte(const std::string& value) {
  std::string escaped;
  for (char c : value) {
    const char* escape = c == '\0' ? "\\0" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\\' ? "\\\\" : nullptr;
    escaped += escape ? std::string(escape) : std::string(1, c);
  }
  return escaped;
}

}  // namespace

// Every escaped byte at every place of values up to three words long, after plain bytes that
// are close to it in value, comes out as the byte-by-byte rule has it.
TEST(BatchOutput, EscapesEachByteWhereverItStands) {
  std::unique_ptr<std::FILE, TFileClose> file(std::tmpfile());
  TBatchOutput output(file.get(), false);
  output.StartResult({{"v"}});
  std::string expected;
  for (std::size_t length = 0; length <= 24; ++length) {
    for (char special : {'\0', '\t', '\n', '\\', '\x01', '\x0b', '['}) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::string value(length, ']');
        if (at < length) value[at] = special;
        if (length > 1) value[length - 1] = at + 1 == length ? special : '\xff';
        output.Value(value);
        output.EndRow();
        expected += EscapedByteByByte(value) + "\n";
      }
    }
  }
  output.EndResult();
  EXPECT_EQ(Written(file.get()), expected);
}

// Rows held back reach the stream whole, in order, across many flushes and on Flush.
TEST(BatchOutput, HandsOnEveryRowInOrder) {
  std::unique_ptr<std::FILE, TFileClose> file(std::tmpfile());
  TBatchOutput output(file.get());
  output.StartResult({{"n"}, {"text"}});
  std::string expected = "n\ttext\n";
  for (int i = 0; i < 20000; ++i) {
    const std::string text = std::string(static_cast<std::size_t>(i % 50), 'x') + "\t";
    output.Value(std::to_string(i));
    output.Value(i % 7 ? std::optional<std::string_view>(text) : std::nullopt);
    output.EndRow();
    expected += std::to_string(i) + "\t" + (i % 7 ? EscapedByteByByte(text) : "NULL") + "\n";
  }
  output.Flush();
  EXPECT_EQ(Written(file.get()), expected);
}
