#include "tools/morvane-query/XmlOutput.h"

void WriteMarkupText(std::FILE* out, std::string_view text) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\0':
        entity = " ";
        break;
      default:
        continue;
    }
    std::fwrite(text.data() + plain, 1, i - plain, out);
    std::fputs(entity, out);
    plain = i + 1;
  }
  std::fwrite(text.data() + plain, 1, text.size() - plain, out);
}

void TXmlOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FColumn = 0;
  std::fputs("<?xml version=\"1.0\"?>\n\n<resultset statement=\"", FOut);
  WriteMarkupText(FOut, FStatement);
  std::fputs("\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">", FOut);
}

void TXmlOutput::Value(const std::optional<std::string_view>& value) {
  if (FColumn == 0) std::fputs("\n  <row>\n", FOut);
  std::fputs("\t<field name=\"", FOut);
  WriteMarkupText(FOut, FColumns[FColumn].Name);
  if (value) {
    std::fputs("\">", FOut);
    WriteMarkupText(FOut, *value);
    std::fputs("</field>\n", FOut);
  } else {
    std::fputs("\" xsi:nil=\"true\" />\n", FOut);
  }
  ++FColumn;
}

void TXmlOutput::EndRow() {
  std::fputs("  </row>\n", FOut);
  FColumn = 0;
}

void TXmlOutput::EndResult() {
  std::fputs("</resultset>\n", FOut);
}
