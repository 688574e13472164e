#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/MemData.h"

// Options of the record set and its connection that steer the conversion.
struct TRowConversionOptions {
  bool UseUnicode = false;
  bool NullForZeroDate = true;
  bool NullForZeroBaseDate = false;
  bool TrimFixedChar = true;
};

// Converts the text values of a row into the binary form of its fields, written straight into
// a record of the store. Scratch buffers are kept between rows, so that converting a row
// allocates only for out-of-line values and large objects.
class TRowConverter {
 public:
  TRowConverter(TMemData& data, const TRowConversionOptions& options);

  // Converts one value (isNull: the column's null flag) into the field's place in the record.
  // Returns whether the field ends up NULL; the null area is not touched.
  bool ConvertValue(char* record, const TFieldDesc& desc, std::string_view text, bool isNull);

  // Converts a whole row; Row offers IsNull(i) and Value(i) for column i.
  template <typename Row>
  void ConvertRow(char* record, const Row& row) {
    for (const TFieldDesc& desc : FData.Fields) {
      auto column = static_cast<std::size_t>(desc.FieldNo - 1);
      bool isNull = row.IsNull(column);
      isNull = ConvertValue(record, desc, isNull ? std::string_view() : row.Value(column), isNull);
      FData.SetNullFlag(record, desc, isNull);
    }
  }

 private:
  bool ConvertDate(char* record, const TFieldDesc& desc, std::string_view text);
  void ConvertWide(char* record, const TFieldDesc& desc, std::string_view text);
  void ConvertBlob(char* record, const TFieldDesc& desc, std::string_view text);
  TMemData& FData;
  TRowConversionOptions FOptions;
  std::u16string FWideScratch;
};

// The parsing of values by the client itself (exposed for tests and the update literals).
double ParseFloatValue(std::string_view text);
std::int64_t ParseCurrencyValue(std::string_view text);  // the value × 10000
