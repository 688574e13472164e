#include "tools/morvane-query/TableOutput.h"

#include "tools/morvane-query/DisplayWidth.h"
#include "wire/MySqlField.h"

#include <algorithm>

namespace {

// Names and values are padded to this width at most, and then to the left, as the reference
// client does; the borders keep the whole width.
constexpr std::size_t MaxPadding = 1024;
constexpr std::string_view Null = "NULL";

bool IsNumeric(std::uint8_t type) {
  return (type <= MYSQL_TYPE_INT24 && type != MYSQL_TYPE_TIMESTAMP) || type == MYSQL_TYPE_YEAR ||
         type == MYSQL_TYPE_NEWDECIMAL;
}

}  // namespace

void TTableOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FValues.clear();
}

void TTableOutput::Value(std::optional<std::string_view> value) {
  FValues.emplace_back(value ? std::optional<std::string>(*value) : std::nullopt);
}

void TTableOutput::WriteBorder(const std::vector<std::size_t>& widths) {
  std::fputc('+', FOut);
  for (const std::size_t width : widths) {
    for (std::size_t i = 0; i < width + 2; ++i) std::fputc('-', FOut);
    std::fputc('+', FOut);
  }
  std::fputc('\n', FOut);
}

void TTableOutput::WriteCell(std::string_view text, std::size_t width, bool right) {
  // The width is in cells; the bytes that share a cell widen the field by as many.
  const std::size_t cells = DisplayCells(text);
  const std::size_t padding = width > cells ? width - cells : 0;
  std::fputc(' ', FOut);
  if (right)
    for (std::size_t i = 0; i < padding; ++i) std::fputc(' ', FOut);
  WriteText(FOut, text);
  if (!right)
    for (std::size_t i = 0; i < padding; ++i) std::fputc(' ', FOut);
  std::fputs(" |", FOut);
}

void TTableOutput::EndResult() {
  const std::size_t count = FColumns.size();
  if (FValues.empty() || count == 0) return;
  std::vector<std::size_t> widths(count);
  for (std::size_t c = 0; c < count; ++c) {
    std::size_t width = FColumnNames ? FColumns[c].Name.size() : 0;
    for (std::size_t i = c; i < FValues.size(); i += count)
      if (FValues[i]) width = std::max(width, FValues[i]->size());
    if (width < Null.size() && !FColumns[c].NotNull) width = Null.size();
    widths[c] = width;
  }
  WriteBorder(widths);
  if (FColumnNames) {
    std::fputc('|', FOut);
    for (std::size_t c = 0; c < count; ++c) WriteCell(FColumns[c].Name, std::min(widths[c], MaxPadding), false);
    std::fputc('\n', FOut);
    WriteBorder(widths);
  }
  for (std::size_t i = 0; i < FValues.size(); ++i) {
    const std::size_t c = i % count;
    if (c == 0) std::fputc('|', FOut);
    const bool cut = widths[c] > MaxPadding;
    WriteCell(FValues[i] ? std::string_view(*FValues[i]) : Null, cut ? MaxPadding : widths[c],
              !cut && IsNumeric(FColumns[c].Type));
    if (c + 1 == count) std::fputc('\n', FOut);
  }
  WriteBorder(widths);
  FValues.clear();
}
