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

std::string_view Trimmed(std::string_view text) {
  text = SkipBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

using TKind = TScriptCommand::TKind;

// What a command does besides handing itself to the runner.
enum class TEffect { Run, Clear, Go, Ego, Delimiter, Nothing };

struct TCommandRule {
  std::string_view Name;
  char Letter;
  bool TakesArgument;
  TEffect Effect;
  TKind Kind;
};

constexpr TCommandRule CommandRules[] = {
    {"?", '?', false, TEffect::Run, TKind::Help},
    {"help", 'h', false, TEffect::Run, TKind::Help},
    {"charset", 'C', true, TEffect::Run, TKind::Charset},
    {"clear", 'c', false, TEffect::Clear, TKind::Statement},
    {"connect", 'r', true, TEffect::Run, TKind::Connect},
    {"delimiter", 'd', true, TEffect::Delimiter, TKind::Statement},
    {"edit", 'e', false, TEffect::Nothing, TKind::Statement},
    {"ego", 'G', false, TEffect::Ego, TKind::Statement},
    {"exit", 'q', false, TEffect::Run, TKind::Quit},
    {"go", 'g', false, TEffect::Go, TKind::Statement},
    {"nopager", 'n', false, TEffect::Run, TKind::NoPager},
    {"notee", 't', false, TEffect::Run, TKind::NoTee},
    {"nowarning", 'w', false, TEffect::Run, TKind::NoWarnings},
    {"pager", 'P', true, TEffect::Run, TKind::Pager},
    {"print", 'p', false, TEffect::Run, TKind::Print},
    {"prompt", 'R', true, TEffect::Run, TKind::Prompt},
    {"quit", 'q', false, TEffect::Run, TKind::Quit},
    {"rehash", '#', false, TEffect::Nothing, TKind::Statement},
    {"sandbox", '-', false, TEffect::Run, TKind::Sandbox},
    {"source", '.', true, TEffect::Run, TKind::Source},
    {"status", 's', false, TEffect::Run, TKind::Status},
    {"system", '!', true, TEffect::Run, TKind::System},
    {"tee", 'T', true, TEffect::Run, TKind::Tee},
    {"use", 'u', true, TEffect::Run, TKind::Use},
    {"warnings", 'W', false, TEffect::Run, TKind::Warnings},
};

// In binary mode only DELIMITER is read by name and only \C by its letter.
bool Allowed(const TCommandRule& rule, bool binaryMode, bool byLetter) {
  return !binaryMode || (byLetter ? rule.Kind == TKind::Charset : rule.Effect == TEffect::Delimiter);
}

const TCommandRule* FindCommand(std::string_view word, bool binaryMode) {
  const std::string name = Lower(word);
  for (const TCommandRule& rule : CommandRules)
    if (rule.Name == name) return Allowed(rule, binaryMode, false) ? &rule : nullptr;
  return nullptr;
}

const TCommandRule* FindLetter(char letter, bool binaryMode) {
  for (const TCommandRule& rule : CommandRules)
    if (rule.Letter == letter) return Allowed(rule, binaryMode, true) ? &rule : nullptr;
  return nullptr;
}

// "use" takes the first word of its argument, or a quoted name whole, without its quotes.
std::string DatabaseName(std::string_view argument) {
  argument = SkipBlanks(argument);
  if (!argument.empty() && (argument.front() == '`' || argument.front() == '\'' || argument.front() == '"')) {
    const std::size_t close = argument.find(argument.front(), 1);
    if (close != std::string_view::npos) return std::string(argument.substr(1, close - 1));
  }
  return std::string(FirstWord(argument));
}

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

TScriptReader::TScriptReader(std::string_view script, std::string& delimiter, TScriptReading reading)
    : FScript(script), FDelimiter(delimiter), FReading(reading) {
  if (FScript.substr(0, ByteOrderMark.size()) == ByteOrderMark) FPos = ByteOrderMark.size();
}

std::optional<TScriptCommand> TScriptReader::Next() {
  while (FReady.empty()) {
    if (FPos >= FScript.size() || FQuit) {
      if (!FBuffer.empty()) {
        Emit(false);
        if (!FReady.empty()) FReady.back().AtScriptEnd = true;
      }
      if (FReady.empty()) return std::nullopt;
      break;
    }
    const std::size_t end = std::min(FScript.find('\n', FPos), FScript.size());
    std::string_view line = FScript.substr(FPos, end - FPos);
    if (!FReading.BinaryMode && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    FPos = end + 1;
    ++FLine;
    if (const std::size_t nul = line.find('\0'); nul != std::string_view::npos && !FReading.BinaryMode)
      RefuseNul(line, nul);
    else
      ReadLine(line);
  }
  TScriptCommand command = std::move(FReady.front());
  FReady.pop_front();
  return command;
}

void TScriptReader::RefuseNul(std::string_view line, std::size_t at) {
  FReady.push_back(
      {.Kind = TKind::BadInput,
       .Text = "ASCII '\\0' appeared in the statement, but this is not allowed unless option --binary-mode "
               "is enabled and morvane-query is run in non-interactive mode. Set --binary-mode to 1 if ASCII '\\0' "
               "is expected. Query: '" +
               FBuffer + std::string(line.substr(0, at)) + "'.",
       .Line = FStartLine});
  FBuffer.clear();
  FQuit = true;
}

void TScriptReader::Push(TKind kind, std::string_view argument) {
  // A prompt keeps its blanks at the end.
  std::string text(kind == TKind::Prompt ? SkipBlanks(argument) : Trimmed(argument));
  if (kind == TKind::Use) text = DatabaseName(text);
  if (kind == TKind::Quit) FQuit = true;
  FReady.push_back({.Kind = kind, .Text = std::move(text), .Line = FLine});
}

std::pair<std::size_t, std::size_t> TScriptReader::ArgumentEnd(std::string_view text) const {
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == '\\' && quote != '`')
        ++i;
      else if (c == quote)
        quote = 0;
    } else if (c == '\'' || c == '"' || c == '`') {
      quote = c;
    } else if (text.substr(i, FDelimiter.size()) == FDelimiter) {
      return {i, i + FDelimiter.size()};
    } else if (c == '\\' && i + 1 < text.size() && (text[i + 1] == 'g' || text[i + 1] == 'G')) {
      return {i, i + 2};
    }
  }
  return {text.size(), text.size()};
}

std::optional<std::size_t> TScriptReader::LineCommand(std::string_view line) {
  std::size_t wordEnd = 0;
  while (wordEnd < line.size() && !IsBlank(line[wordEnd]) && line.substr(wordEnd, FDelimiter.size()) != FDelimiter)
    ++wordEnd;
  const TCommandRule* rule = FindCommand(line.substr(0, wordEnd), FReading.BinaryMode);
  if (!rule) return std::nullopt;
  FStartLine = FLine;
  const std::string_view rest = line.substr(wordEnd);
  if (rule->Effect == TEffect::Delimiter) {
    const std::string_view delimiter = FirstWord(rest);
    if (delimiter.empty())
      FReady.push_back({.Kind = TKind::Complaint,
                        .Text = "DELIMITER must be followed by a 'delimiter' character or string",
                        .Line = FLine});
    else if (delimiter.find('\\') != std::string_view::npos)
      FReady.push_back(
          {.Kind = TKind::Complaint, .Text = "DELIMITER cannot contain a backslash character", .Line = FLine});
    else
      FDelimiter = delimiter;
    return line.size();
  }
  if (!rule->TakesArgument) {
    // A command without an argument stands alone on its line; "quit;" and "exit;" are no commands
    // there, the others may carry the delimiter.
    const std::string_view after = SkipBlanks(rest);
    std::size_t taken = line.size();
    if (!after.empty()) {
      if (rule->Kind == TKind::Quit || after.substr(0, FDelimiter.size()) != FDelimiter) return std::nullopt;
      taken = line.size() - after.size() + FDelimiter.size();
    }
    if (rule->Effect == TEffect::Run) Push(rule->Kind, {});
    return taken;
  }
  const auto [end, next] = ArgumentEnd(rest);
  Push(rule->Kind, rest.substr(0, end));
  return wordEnd + next;
}

bool TScriptReader::BackslashCommand(std::string_view line, std::size_t& i) {
  const char letter = line[++i];
  if (letter == 'N') {  // SQL's NULL
    Append('\\');
    Append('N');
    return true;
  }
  const TCommandRule* rule = FindLetter(letter, FReading.BinaryMode);
  if (!rule) {
    FReady.push_back({.Kind = TKind::Complaint,
                      .Text = std::string("Unknown command '\\") + letter + "'.",
                      .Line = FLine,
                      .Fatal = true});
    // With --force it goes on to the server as it is.
    Append('\\');
    Append(letter);
    return true;
  }
  const std::string_view rest = line.substr(i + 1);
  switch (rule->Effect) {
    case TEffect::Go:
    case TEffect::Ego:
      Emit(rule->Effect == TEffect::Ego);
      return true;
    case TEffect::Clear:
      FBuffer.clear();
      return true;
    case TEffect::Nothing:
      return true;
    case TEffect::Delimiter:
      LineCommand("delimiter " + std::string(rest));
      return false;
    case TEffect::Run:
      break;
  }
  if (rule->Kind == TKind::Quit && !FBuffer.empty()) Emit(false);
  if (rule->Kind == TKind::Print) {
    Push(TKind::Print, FBuffer);
    return true;
  }
  if (!rule->TakesArgument) {
    Push(rule->Kind, {});
    return rule->Kind != TKind::Quit;
  }
  Push(rule->Kind, rest);
  return false;
}

void TScriptReader::Append(char c) {
  if (FBuffer.empty()) FStartLine = FLine;
  FBuffer += c;
}

void TScriptReader::Emit(bool vertical) {
  std::string_view text = FBuffer;
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  // After another statement on its line, a command that takes an argument is read up to the
  // delimiter as a statement is, and then run as the command.
  const std::string_view word = FirstWord(text);
  const TCommandRule* rule = FindCommand(word, FReading.BinaryMode);
  if (rule && rule->TakesArgument && rule->Effect == TEffect::Run) {
    const int line = FLine;
    FLine = FStartLine;
    Push(rule->Kind, SkipBlanks(text).substr(word.size()));
    FLine = line;
  } else if (!text.empty()) {
    FReady.push_back({.Kind = TKind::Statement, .Text = std::string(text), .Line = FStartLine, .Vertical = vertical});
    // "quit;" goes to the server as the reference client sends it, and then ends the run.
    if (rule && rule->Kind == TKind::Quit) Push(TKind::Quit, {});
  }
  FBuffer.clear();
}

void TScriptReader::ReadLine(std::string_view line) {
  // A comment left out between two words still parts them.
  bool needSpace = false;
  bool lineStart = true;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const char next = i + 1 < line.size() ? line[i + 1] : '\0';
    const bool firstWord = lineStart && !IsBlank(c);
    if (!IsBlank(c)) lineStart = false;
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
    if (FKeptComment) {
      Append(c);
      if (c == '*' && next == '/') {
        Append(line[++i]);
        FKeptComment = false;
      }
      continue;
    }
    if (IsBlank(c) && FBuffer.empty()) continue;
    if (firstWord && FBuffer.empty()) {
      if (const std::optional<std::size_t> taken = LineCommand(line.substr(i))) {
        if (FQuit) return;
        i += *taken - 1;
        continue;
      }
    }
    if (line.substr(i, FDelimiter.size()) == FDelimiter) {
      Emit(false);
      i += FDelimiter.size() - 1;
      continue;
    }
    if (c == '\\' && next != '\0') {
      if (!BackslashCommand(line, i)) break;
      continue;
    }
    if (c == '#' || (c == '-' && next == '-' && (i + 2 == line.size() || IsBlank(line[i + 2])))) {
      if (FReading.KeepComments)
        for (; i < line.size(); ++i) Append(line[i]);
      break;
    }
    if (c == '/' && next == '*') {
      const std::string_view opening = line.substr(i + 2, 2);
      if (!opening.empty() && (opening[0] == '!' || opening == "M!")) {
        // What the server runs is read on as a statement is, as the reference client reads it:
        // quotes, delimiters, and backslash commands such as a dump's
        // "/*M!999999\- enable the sandbox mode */".
        Append(c);
        Append(line[++i]);
      } else if (FReading.KeepComments) {
        FKeptComment = true;
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
