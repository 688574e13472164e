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

}  // namespace

bool NamesLocalFile(std::string_view statement) {
  if (NextWord(statement) != "load") return false;
  const std::string kind = NextWord(statement);
  if (kind != "data" && kind != "xml") return false;
  std::string word = NextWord(statement);
  if (word == "low_priority" || word == "concurrent") word = NextWord(statement);
  return word == "local" && NextWord(statement) == "infile";
}
