#pragma once
// Conversion of the text values of fetched rows into the record store's binary form.
#include "dataset/MemData.h"

#include <string>
#include <string_view>
#include <vector>

// Options of the record set and its connection that steer the conversion.
struct TRowConversionOptions {
  bool UseUnicode = false;
  bool AnsiText = false;  // texts arrive in Windows-1252 and are kept as UTF-8
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

  // Converts a whole row; Row offers IsNull(i) and Value(i) for column i. The conversion of each
  // field is picked at the first row: the fields stay as they are while the converter lives.
  template <typename Row>
  void ConvertRow(char* record, const Row& row) {
    if (FSteps.size() != FData.Fields.size() || (!FSteps.empty() && FSteps.front().Desc != FData.Fields.data()))
      PlanColumns();
    for (const TColumnStep& step : FSteps) {
      const TFieldDesc& desc = *step.Desc;
      bool isNull = row.IsNull(step.Column) ? ConvertNull(record, desc)
                                            : step.Convert(*this, record, desc, row.Value(step.Column));
      FData.SetNullFlag(record, desc, isNull);
    }
  }

 private:
  // Each converts a value that is not NULL and returns whether the field ends up NULL. Picked
  // through a plain function that calls the member directly: cheaper per value than a pointer
  // to member.
  using TConvert = bool (*)(TRowConverter& converter, char* record, const TFieldDesc& desc, std::string_view text);
  template <bool (TRowConverter::*Convert)(char*, const TFieldDesc&, std::string_view)>
  static bool Call(TRowConverter& converter, char* record, const TFieldDesc& desc, std::string_view text) {
    return (converter.*Convert)(record, desc, text);
  }
  // The fields stay where they are while the converter lives, so a step keeps its description.
  struct TColumnStep {
    const TFieldDesc* Desc;
    std::size_t Column;
    TConvert Convert;
  };
  static TConvert ConverterFor(const TFieldDesc& desc);
  // As ConverterFor, decoding code-page text first where the options ask for it.
  TConvert TextConverterFor(const TFieldDesc& desc) const;
  bool ConvertAnsiText(char* record, const TFieldDesc& desc, std::string_view text);
  void PlanColumns();
  bool ConvertNull(char* record, const TFieldDesc& desc);
  template <typename T>
  bool ConvertDecimalInteger(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertBooleanOrBits(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertFloat(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertCurrency(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertDecimalText(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertTime(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertTimestamp(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertIsoDate(char* record, const TFieldDesc& desc, std::string_view text);
  bool StoreDate(char* record, const TFieldDesc& desc, bool valid, double value);
  bool ConvertInlineBytes(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertVarBytes(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertWide(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertExtBytes(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertExtWide(char* record, const TFieldDesc& desc, std::string_view text);
  void CheckWideText(std::string_view text);
  bool ConvertBlob(char* record, const TFieldDesc& desc, std::string_view text);
  bool ConvertUnknown(char* record, const TFieldDesc& desc, std::string_view text);

  TMemData& FData;
  TRowConversionOptions FOptions;
  std::u16string FWideScratch;
  std::string FAnsiScratch;
  std::vector<TColumnStep> FSteps;
};

// The parsing of values by the client itself (exposed for tests and the update literals).
double ParseFloatValue(std::string_view text);
// The value × 10000; a value outside the 64-bit range raises a conversion error naming the field.
std::int64_t ParseCurrencyValue(std::string_view text, std::string_view fieldName);
