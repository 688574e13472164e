// One value converted for a column of any type: six bytes describe the column and the mapping
// (type, flags, length, decimals, options), the rest is the value's text.
#include "dataset/Exceptions.h"
#include "dataset/FieldDescBuilder.h"
#include "dataset/MemData.h"
#include "driver/RowConversion.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t DescriptionSize = 6;
  if (size < DescriptionSize) return 0;
  TMYSQL_FIELD column;
  column.Name = column.OrgName = "f";
  column.Table = column.OrgTable = "t";
  column.MyType = data[0];
  column.Flags = data[1] | (data[1] & 0x80 ? 0x8000u : 0u);
  column.LengthInBytes = static_cast<std::uint32_t>(data[2] | data[3] << 8);
  column.Decimals = data[4] & 0x3F;
  column.CharsetNr = data[4] & 0x40 ? 63 : 33;
  const std::uint8_t options = data[5];
  TFieldMapping mapping;
  mapping.UseUnicode = options & 1;
  mapping.EnableBCD = options & 2;
  mapping.EnableFMTBCD = options & 4;
  mapping.FieldsAsString = options & 8;
  mapping.EnableBoolean = options & 16;
  mapping.OptimizedBigInt = options & 32;
  const std::string_view text(reinterpret_cast<const char*>(data + DescriptionSize), size - DescriptionSize);

  TMemData store;
  try {
    store.Fields = BuildFieldDescs({column}, mapping, store.Tables);
    store.InitLayout();
  } catch (const EDatabaseError&) {
    return 0;
  }
  TRowConverter converter(store, {.UseUnicode = mapping.UseUnicode});
  char* record = store.NewRecord();
  try {
    store.SetNullFlag(record, store.Fields[0], converter.ConvertValue(record, store.Fields[0], text, false));
  } catch (const EConvertError&) {
  }
  store.DiscardRecord(record);
  return 0;
}
