#include "tools/morvane-query/TableOutput.h"

#include "tools/morvane-query/DisplayWidth.h"
#include "wire/MySqlField.h"

#include <algorithm>

namespace {

// Names and values are padded to this width at most, and then to the left, as the reference
// client does; the borders keep the whole width.
constexpr std::size_t MaxPadding = 1024;
constexpr std::string_view Null = "NULL";
constexpr std::string_view HexPrefix = "0x";

bool IsNumeric(std::uint8_t type) {
  return (type <= MYSQL_TYPE_INT24 && type != MYSQL_TYPE_TIMESTAMP) || type == MYSQL_TYPE_YEAR ||
         type == MYSQL_TYPE_NEWDECIMAL;
}

}  // namespace

TTableOutput::TWidth TTableOutput::Width(std::size_t column, std::size_t longest) const {
  const TResultColumn& shown = FColumns[column];
  auto width = static_cast<TWidth>(std::max(FColumnNames ? shown.Name.size() : 0, longest));
  if (width < Null.size() && !shown.NotNull) width = Null.size();
  // A LONGBLOB's declared 4294967295 comes to "0x" and no width, as with the reference client.
  return shown.Hex ? static_cast<TWidth>(HexPrefix.size() + 2 * width) : width;
}

void TTableOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FValues.Clear();
  FHasRows = false;
  FColumn = 0;
  if (!FStreamed) return;
  FWidths.clear();
  for (std::size_t c = 0; c < FColumns.size(); ++c) FWidths.push_back(Width(c, FColumns[c].DeclaredLength));
  WriteHead();
}

void TTableOutput::Value(const std::optional<std::string_view>& value) {
  FHasRows = true;
  if (FStreamed)
    WriteValue(value);
  else
    FValues.Add(value);
}

void TTableOutput::EndRow() {
  if (FStreamed) std::fputc('\n', FOut);
}

void TTableOutput::WriteHead() {
  WriteBorder();
  if (!FColumnNames) return;
  std::fputc('|', FOut);
  for (std::size_t c = 0; c < FColumns.size(); ++c)
    WriteCell(FColumns[c].Name, std::min<std::size_t>(FWidths[c], MaxPadding), false);
  std::fputc('\n', FOut);
  WriteBorder();
}

void TTableOutput::WriteValue(const std::optional<std::string_view>& value) {
  if (FColumn == 0) std::fputc('|', FOut);
  // Values in hexadecimal are padded to the whole width.
  const bool cut = FWidths[FColumn] > MaxPadding && !FColumns[FColumn].Hex;
  WriteCell(value ? *value : Null, cut ? MaxPadding : FWidths[FColumn], !cut && IsNumeric(FColumns[FColumn].Type));
  FColumn = (FColumn + 1) % FColumns.size();
}

void TTableOutput::WriteBorder() {
  std::fputc('+', FOut);
  for (const TWidth width : FWidths) {
    // As the reference client counts, a LONGTEXT's declared width takes one dash.
    const auto dashes = static_cast<TWidth>(width + 2);
    for (TWidth i = 0; i < dashes; ++i) std::fputc('-', FOut);
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
  if (FStreamed) {
    if (count > 0) WriteBorder();
    return;
  }
  if (!FHasRows || count == 0) return;
  // The longest value of each column, in the bytes the server sent: a value shown in hexadecimal
  // counts the bytes its digits stand for.
  std::vector<std::size_t> longest(count);
  FValues.ForEach([&](std::optional<std::string_view> value) {
    if (value)
      longest[FColumn] =
          std::max(longest[FColumn], FColumns[FColumn].Hex ? (value->size() - HexPrefix.size()) / 2 : value->size());
    FColumn = (FColumn + 1) % count;
  });
  FWidths.clear();
  for (std::size_t c = 0; c < count; ++c) FWidths.push_back(Width(c, longest[c]));
  WriteHead();
  FValues.ForEach([&](std::optional<std::string_view> value) {
    WriteValue(value);
    if (FColumn == 0) std::fputc('\n', FOut);
  });
  WriteBorder();
  FValues.Clear();
}
