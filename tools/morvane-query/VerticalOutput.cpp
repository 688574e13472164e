#include "tools/morvane-query/VerticalOutput.h"

#include "tools/morvane-query/DisplayWidth.h"

#include <algorithm>

void TVerticalOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FNameWidth = 0;
  for (const TResultColumn& column : FColumns) FNameWidth = std::max(FNameWidth, static_cast<int>(column.Name.size()));
  FRow = 0;
  FColumn = 0;
}

void TVerticalOutput::Value(const std::optional<std::string_view>& value) {
  if (FColumn == 0) std::fprintf(FOut, "*************************** %llu. row ***************************\n", ++FRow);
  if (FColumnNames) std::fprintf(FOut, "%*s: ", FNameWidth, FColumns[FColumn].Name.c_str());
  const std::string_view text = value ? *value : std::string_view("NULL");
  WriteText(FOut, text);
  std::fputc('\n', FOut);
  ++FColumn;
}
