#include "tools/morvane-query/BatchOutput.h"

void TBatchOutput::Separate() {
  if (FRowStarted) std::fputc('\t', FOut);
  FRowStarted = true;
}

void TBatchOutput::WriteHeader(const std::vector<std::string>& names) {
  // Column names are written as they are, without escaping.
  for (const std::string& name : names) {
    Separate();
    std::fwrite(name.data(), 1, name.size(), FOut);
  }
  EndRow();
}

void TBatchOutput::WriteValue(std::string_view value) {
  Separate();
  std::size_t plain = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
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

void TBatchOutput::WriteNull() {
  Separate();
  std::fputs("NULL", FOut);
}

void TBatchOutput::EndRow() {
  std::fputc('\n', FOut);
  FRowStarted = false;
}
