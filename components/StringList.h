#pragma once
// The lines of a statement text, with a change event for their owner.
#include <functional>
#include <string>
#include <vector>

// Lines of text, such as a statement, that tell their owner when they change.
class TStringList {
 public:
  std::string Text() const;
  // Splits at line breaks (CR LF or LF).
  void SetText(const std::string& text);
  void Add(const std::string& line);
  void Clear();
  std::size_t Count() const { return FLines.size(); }
  const std::string& operator[](std::size_t i) const { return FLines[i]; }
  std::function<void()> OnChange;

 private:
  void Changed(std::vector<std::string> lines);
  std::vector<std::string> FLines;
};
