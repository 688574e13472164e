#include "tools/morvane-query/ScriptReader.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view FirstWord(std::string_view text) {
  text = SkipBlanks(text);
  return text.substr(0, std::find_if(text.begin(), text.end(), IsBlank) - text.begin());
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

std::optional<TScriptCommand> TScriptReader::Next() {
  while (FReady.empty()) {
    if (FPos >= FScript.size()) {
      if (!FBuffer.empty()) Emit(false);
      if (FReady.empty()) return std::nullopt;
      break;
    }
    const std::size_t end = std::min(FScript.find('\n', FPos), FScript.size());
    std::string_view line = FScript.substr(FPos, end - FPos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    FPos = end + 1;
    ++FLine;
    ReadLine(line);
  }
  TScriptCommand command = std::move(FReady.front());
  FReady.pop_front();
  return command;
}

bool TScriptReader::ClientCommand(std::string_view line) {
  const std::string_view word = FirstWord(line);
  std::string name = Lower(word);
  const std::string_view rest = SkipBlanks(SkipBlanks(line).substr(word.size()));
  // "use db;" and "quit;" may carry the delimiter.
  const auto withoutDelimiter = [&](std::string_view text) {
    if (text.size() >= FDelimiter.size() && text.substr(text.size() - FDelimiter.size()) == FDelimiter)
      text.remove_suffix(FDelimiter.size());
    else if (!text.empty() && text.back() == ';')
      text.remove_suffix(1);
    return text;
  };
  name = Lower(withoutDelimiter(name));
  TScriptCommand command;
  command.Line = FLine;
  if (name == "delimiter") {
    const std::string_view delimiter = FirstWord(rest);
    if (!delimiter.empty()) FDelimiter = delimiter;
    return true;
  }
  if (name == "use" || name == "\\u") {
    std::string_view database = withoutDelimiter(FirstWord(rest));
    if (database.size() >= 2 && database.front() == '`' && database.back() == '`')
      database = database.substr(1, database.size() - 2);
    command.Kind = TScriptCommand::TKind::Use;
    command.Text = database;
  } else if (name == "source" || name == "\\.") {
    std::string_view file = rest;
    while (!file.empty() && IsBlank(file.back())) file.remove_suffix(1);
    command.Kind = TScriptCommand::TKind::Source;
    command.Text = file;
  } else if (name == "quit" || name == "exit" || name == "\\q") {
    command.Kind = TScriptCommand::TKind::Quit;
  } else {
    return false;
  }
  FReady.push_back(std::move(command));
  return true;
}

void TScriptReader::Append(char c) {
  if (FBuffer.empty()) FStartLine = FLine;
  FBuffer += c;
}

void TScriptReader::Emit(bool vertical) {
  std::string_view text = FBuffer;
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (!text.empty())
    FReady.push_back({.Kind = TScriptCommand::TKind::Statement,
                      .Text = std::string(text),
                      .Line = FStartLine,
                      .Vertical = vertical});
  FBuffer.clear();
}

void TScriptReader::ReadLine(std::string_view line) {
  if (FBuffer.empty() && !FQuote && !FComment && !FCodeComment && ClientCommand(line)) return;
  // A comment left out between two words still parts them.
  bool needSpace = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const char next = i + 1 < line.size() ? line[i + 1] : '\0';
    if (FComment) {
      if (c == '*' && next == '/') {
        FComment = false;
        needSpace = true;
        ++i;
      }
      continue;
    }
    if (FQuote) {
      Append(c);
      if (c == '\\' && FQuote != '`' && next != '\0')
        Append(line[++i]);
      else if (c == FQuote)
        FQuote = 0;
      continue;
    }
    if (FCodeComment) {
      Append(c);
      if (c == '*' && next == '/') {
        Append(line[++i]);
        FCodeComment = false;
      }
      continue;
    }
    if (IsBlank(c) && FBuffer.empty()) continue;
    if (line.substr(i, FDelimiter.size()) == FDelimiter) {
      Emit(false);
      i += FDelimiter.size() - 1;
      continue;
    }
    if (c == '\\' && next != '\0') {
      ++i;
      if (next == 'G' || next == 'g') Emit(next == 'G');
      if (next == 'c') FBuffer.clear();
      continue;
    }
    if (c == '#' || (c == '-' && next == '-' && (i + 2 == line.size() || IsBlank(line[i + 2])))) break;
    if (c == '/' && next == '*') {
      const std::string_view opening = line.substr(i + 2, 2);
      if (!opening.empty() && (opening[0] == '!' || opening == "M!")) {
        FCodeComment = true;
        Append(c);
        Append(line[++i]);
      } else {
        FComment = true;
        ++i;
      }
      continue;
    }
    if (needSpace && !IsBlank(c)) Append(' ');
    needSpace = false;
    if (c == '\'' || c == '"' || c == '`') FQuote = c;
    Append(c);
  }
  if (!FBuffer.empty()) FBuffer += '\n';
}
