#include "tools/morvane-query/HtmlOutput.h"

#include "tools/morvane-query/XmlOutput.h"

void THtmlOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FHeadWritten = false;
  FRowStarted = false;
  if (FStreamed) WriteHead();
}

void THtmlOutput::WriteHead() {
  FHeadWritten = true;
  std::fputs("<TABLE BORDER=1>", FOut);
  if (!FColumnNames) return;
  std::fputs("<TR>", FOut);
  for (const TResultColumn& column : FColumns) {
    std::fputs("<TH>", FOut);
    WriteMarkupText(FOut, column.Name);
    std::fputs("</TH>", FOut);
  }
  std::fputs("</TR>", FOut);
}

void THtmlOutput::Value(const std::optional<std::string_view>& value) {
  if (!FHeadWritten) WriteHead();
  if (!FRowStarted) std::fputs("<TR>", FOut);
  FRowStarted = true;
  std::fputs("<TD>", FOut);
  WriteMarkupText(FOut, value ? *value : "NULL");
  std::fputs("</TD>", FOut);
}

void THtmlOutput::EndRow() {
  std::fputs("</TR>", FOut);
  FRowStarted = false;
}

void THtmlOutput::EndResult() {
  if (FHeadWritten) std::fputs("</TABLE>", FOut);
}
