#pragma once
// The field objects through which a dataset's current record is read and written.
#include "dataset/DataTypes.h"
#include "dataset/DateTime.h"
#include "dataset/Value.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TDataSet;

// A field object of a dataset: reads and writes one column of the dataset's current record,
// converting between the field's own type and the accessors' types.
class TField {
 public:
  TField(TDataSet& dataSet, std::string name, TFieldType type, TDataType dataType, int size, int fieldNo);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  TDataSet& DataSet() const { return FDataSet; }
  const std::string& FieldName() const { return FFieldName; }
  TFieldType DataType() const { return FType; }
  TDataType InternalType() const { return FInternalType; }
  int Size() const { return FSize; }
  int FieldNo() const { return FFieldNo; }
  bool ReadOnly = false;
  bool Required = false;
  bool Visible = true;
  bool AutoGenerateValue = false;  // filled in by the server (auto-increment)

  TValue Value() const;
  bool IsNull() const;
  std::string AsString() const;
  // The text of this field in the stored record at a 0-based index; the cursor stays.
  std::string AsStringAt(std::size_t recordIndex) const;
  // AsString and AsStringAt written into the caller's string, whose room is reused: readers of
  // many values (grids, printers) allocate nothing per value.
  void GetText(std::string& out) const;
  void GetTextAt(std::size_t recordIndex, std::string& out) const;
  std::int64_t AsLargeInt() const;
  int AsInteger() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;

  void SetValue(TValue value);
  void SetAsString(std::string_view value);
  void SetAsLargeInt(std::int64_t value) { SetValue(value); }
  void SetAsInteger(int value) { SetValue(std::int64_t{value}); }
  void SetAsFloat(double value) { SetValue(value); }
  void SetAsDateTime(TDateTime value) { SetValue(value); }
  void SetAsBoolean(bool value) { SetValue(value); }
  void Clear() { SetValue(TValue{}); }

  // The value in the form the record holds for this field's type; a value already in that form is
  // handed on, not copied.
  TValue ToNative(TValue value) const;

 private:
  void FormatValueText(std::string& out) const;
  void TextOf(TValue value, std::string& out) const;

  TDataSet& FDataSet;
  std::string FFieldName;
  TFieldType FType;
  TDataType FInternalType;
  int FSize;
  int FFieldNo;
};
