#include "components/StringList.h"

std::string TStringList::Text() const {
  std::string text;
  for (const std::string& line : FLines) text += line + "\r\n";
  return text;
}

void TStringList::SetText(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  Changed(std::move(lines));
}

void TStringList::Add(const std::string& line) {
  std::vector<std::string> lines = FLines;
  lines.push_back(line);
  Changed(std::move(lines));
}

void TStringList::Clear() {
  Changed({});
}

void TStringList::Changed(std::vector<std::string> lines) {
  if (lines == FLines) return;
  FLines = std::move(lines);
  if (OnChange) OnChange();
}
