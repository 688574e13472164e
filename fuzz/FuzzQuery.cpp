// A query with its whole result: column definitions, rows, end packets, further results.
#include "fuzz/FuzzSession.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzSession fuzz(data, size);
  fuzz.Query([&](TMySqlResultSet& result) {
    constexpr int MaxRows = 100000;
    for (int i = 0; i < MaxRows; ++i) {
      const TMySqlBinds* row = fuzz.Api.mysql_fetch_row(&result);
      if (!row) break;
      for (std::size_t column = 0; column < row->Slots.size(); ++column)
        if (!row->Slots[column].IsNull) (void)row->Value(column);
    }
  });
  return 0;
}
