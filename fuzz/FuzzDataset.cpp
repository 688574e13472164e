// Opening a dataset on a query's result: field descriptions from the column definitions, then
// every row converted into records, with the mapping options the first byte's upper bits choose.
#include "dataset/Exceptions.h"
#include "driver/MySQLRecordSet.h"
#include "fuzz/FuzzSession.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzSession fuzz(data, size);
  const std::uint8_t choice = size > 0 ? data[0] : 0;
  TFieldMapping mapping;
  mapping.UseUnicode = choice & 4;
  mapping.EnableBCD = choice & 8;
  mapping.EnableFMTBCD = choice & 16;
  mapping.FieldsAsString = choice & 32;
  mapping.OptimizedBigInt = choice & 64;
  fuzz.Query([&](TMySqlResultSet& result) {
    std::vector<TMYSQL_FIELD> columns(fuzz.Api.mysql_num_fields(&result));
    for (std::size_t i = 0; i < columns.size(); ++i)
      fuzz.Api._mysql_fetch_field_direct(&result, i, columns[i], mapping.UseUnicode);
    TMemData store;
    try {
      store.Fields = BuildFieldDescs(columns, mapping, store.Tables);
      store.InitLayout();
    } catch (const EDatabaseError&) {
      return;
    }
    TRowConverter converter(store, {.UseUnicode = mapping.UseUnicode});
    constexpr int MaxRows = 10000;
    for (int i = 0; i < MaxRows; ++i) {
      const TMySqlBinds* row = fuzz.Api.mysql_fetch_row(&result);
      if (!row) break;
      if (i == 0) store.ReserveBlock(25);
      char* record = store.NewRecord();
      try {
        converter.ConvertRow(record, TBindsRow{*row});
        store.AppendRecord(record);
      } catch (const EConvertError&) {
        store.DiscardRecord(record);
      }
    }
  });
  return 0;
}
