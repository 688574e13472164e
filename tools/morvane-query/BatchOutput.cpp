#include "tools/morvane-query/BatchOutput.h"

namespace {

bool GbkLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}

bool SjisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

TBatchOutput::TBatchOutput(std::FILE* out, bool columnNames, bool raw, std::string_view characterSet)
    : FOut(out), FColumnNames(columnNames), FRaw(raw) {
  if (characterSet == "gbk" || characterSet == "big5" || characterSet == "gb18030")
    FLeadByte = GbkLeadByte;
  else if (characterSet == "sjis" || characterSet == "cp932")
    FLeadByte = SjisLeadByte;
}

void TBatchOutput::Separate() {
  if (FRowStarted) std::fputc('\t', FOut);
  FRowStarted = true;
}

void TBatchOutput::StartResult(std::vector<TResultColumn> columns) {
  FColumns = std::move(columns);
  FHeaderDue = FColumnNames;
}

void TBatchOutput::Value(std::optional<std::string_view> value) {
  if (FHeaderDue) {
    FHeaderDue = false;
    // Column names are written as they are, without escaping.
    for (const TResultColumn& column : FColumns) {
      Separate();
      std::fwrite(column.Name.data(), 1, column.Name.size(), FOut);
    }
    EndRow();
  }
  Separate();
  if (!value)
    std::fputs("NULL", FOut);
  else if (FRaw)
    std::fwrite(value->data(), 1, value->size(), FOut);
  else
    WriteEscaped(*value);
}

void TBatchOutput::WriteEscaped(std::string_view value) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (FLeadByte && FLeadByte(static_cast<unsigned char>(value[i])) && i + 1 < value.size()) {
      ++i;
      continue;
    }
    const char* escape = nullptr;
    switch (value[i]) {
      case '\0':
        escape = "\\0";
        break;
      case '\t':
        escape = "\\t";
        break;
      case '\n':
        escape = "\\n";
        break;
      case '\\':
        escape = "\\\\";
        break;
      default:
        continue;
    }
    std::fwrite(value.data() + plain, 1, i - plain, FOut);
    std::fwrite(escape, 1, 2, FOut);
    plain = i + 1;
  }
  std::fwrite(value.data() + plain, 1, value.size() - plain, FOut);
}

void TBatchOutput::EndRow() {
  std::fputc('\n', FOut);
  FRowStarted = false;
}
