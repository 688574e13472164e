#include "tools/morvane-query/StatementSplitter.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// "--" starts a comment only when a blank or the end follows it.
bool DashComment(std::string_view script, std::size_t at) {
  return script.substr(at, 2) == "--" && (at + 2 == script.size() || IsBlank(script[at + 2]));
}

// The position after the quoted text that starts at `at` (a backslash escapes the next character),
// or the end of the script when it is not closed.
std::size_t SkipQuoted(std::string_view script, std::size_t at) {
  const char quote = script[at];
  for (std::size_t i = at + 1; i < script.size(); ++i) {
    if (script[i] == '\\' && quote != '`') {
      ++i;
    } else if (script[i] == quote) {
      return i + 1;
    }
  }
  return script.size();
}

std::size_t SkipLine(std::string_view script, std::size_t at) {
  const std::size_t end = script.find('\n', at);
  return end == std::string_view::npos ? script.size() : end + 1;
}

std::size_t SkipBlockComment(std::string_view script, std::size_t at) {
  const std::size_t end = script.find("*/", at + 2);
  return end == std::string_view::npos ? script.size() : end + 2;
}

std::string Trimmed(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

}  // namespace

std::vector<std::string> SplitStatements(std::string_view script) {
  std::vector<std::string> statements;
  std::size_t start = 0;
  bool hasCode = false;  // the current piece holds more than blanks and comments
  auto finish = [&](std::size_t end) {
    if (hasCode) statements.push_back(Trimmed(script.substr(start, end - start)));
    start = end + 1;
    hasCode = false;
  };
  std::size_t i = 0;
  while (i < script.size()) {
    const char c = script[i];
    if (c == '\'' || c == '"' || c == '`') {
      i = SkipQuoted(script, i);
      hasCode = true;
    } else if (c == '#' || DashComment(script, i)) {
      i = SkipLine(script, i);
    } else if (script.substr(i, 2) == "/*") {
      // Executable comments ("/*!...*/") are code for the server.
      if (script.substr(i, 3) == "/*!" || script.substr(i, 4) == "/*M!") hasCode = true;
      i = SkipBlockComment(script, i);
    } else if (c == ';') {
      finish(i);
      ++i;
    } else {
      if (!IsBlank(c)) hasCode = true;
      ++i;
    }
  }
  finish(script.size());
  return statements;
}
