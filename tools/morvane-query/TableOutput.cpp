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
  FValues.Clear();
  FHasRows = false;
}

void TTableOutput::Value(const std::optional<std::string_view>& value) {
  FValues.Add(value);
  FHasRows = true;
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
  if (!FHasRows || count == 0) return;
  std::vector<std::size_t> widths(count);
  for (std::size_t c = 0; c < count; ++c) widths[c] = FColumnNames ? FColumns[c].Name.size() : 0;
  std::size_t c = 0;
  FValues.ForEach([&](std::optional<std::string_view> value) {
    if (value) widths[c] = std::max(widths[c], value->size());
    c = (c + 1) % count;
  });
  for (c = 0; c < count; ++c)
    if (widths[c] < Null.size() && !FColumns[c].NotNull) widths[c] = Null.size();
  WriteBorder(widths);
  if (FColumnNames) {
    std::fputc('|', FOut);
    for (c = 0; c < count; ++c) WriteCell(FColumns[c].Name, std::min(widths[c], MaxPadding), false);
    std::fputc('\n', FOut);
    WriteBorder(widths);
  }
  c = 0;
  FValues.ForEach([&](std::optional<std::string_view> value) {
    if (c == 0) std::fputc('|', FOut);
    const bool cut = widths[c] > MaxPadding;
    WriteCell(value ? *value : Null, cut ? MaxPadding : widths[c], !cut && IsNumeric(FColumns[c].Type));
    if (c + 1 == count) std::fputc('\n', FOut);
    c = (c + 1) % count;
  });
  WriteBorder(widths);
  FValues.Clear();
}
