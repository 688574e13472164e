#include "tools/morvane-query/LocalFiles.h"

#include <cctype>
#include <string>

namespace {

// The next word in lower case, after blanks; "" at the end or at anything but a letter or '_'.
std::string NextWord(std::string_view& text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  std::string word;
  while (!text.empty() && (std::isalpha(static_cast<unsigned char>(text.front())) || text.front() == '_')) {
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(text.front())));
    text.remove_prefix(1);
  }
  return word;
}

// The string literal at the start of text, after blanks: its quotes doubled or escaped by a
// backslash, and the server's backslash escapes; nothing when there is none or it is not closed.
std::optional<std::string> StringLiteral(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  if (text.empty() || (text.front() != '\'' && text.front() != '"')) return std::nullopt;
  const char quote = text.front();
  std::string value;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        value += quote;
        ++i;
        continue;
      }
      return value;
    }
    if (c == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      switch (next) {
        case 'n':
          value += '\n';
          break;
        case 't':
          value += '\t';
          break;
        case 'r':
          value += '\r';
          break;
        case 'b':
          value += '\b';
          break;
        case '0':
          value += '\0';
          break;
        case 'Z':
          value += '\x1A';
          break;
        default:
          value += next;
      }
      continue;
    }
    value += c;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> LocalFileNamed(std::string_view statement) {
  if (NextWord(statement) != "load") return std::nullopt;
  const std::string kind = NextWord(statement);
  if (kind != "data" && kind != "xml") return std::nullopt;
  std::string word = NextWord(statement);
  if (word == "low_priority" || word == "concurrent") word = NextWord(statement);
  if (word != "local" || NextWord(statement) != "infile") return std::nullopt;
  return StringLiteral(statement);
}
