#include "dataset/MemDataSet.h"

#include "dataset/RecordValues.h"

TMemDataSet::~TMemDataSet() {
  FreeNewRecord();
}

const TFieldDesc& TMemDataSet::DescOf(const TField& field) const {
  return FData.Fields[static_cast<std::size_t>(field.FieldNo() - 1)];
}

const char* TMemDataSet::OldRecord() const {
  if (State() == dsInsert || FData.RecordCount() == 0) return nullptr;
  return FData.Record(CurrentIndex());
}

TValue TMemDataSet::GetFieldValue(const TField& field) const {
  const char* record = ActiveRecord();
  return record ? ReadFieldValue(FData, record, DescOf(field)) : TValue{};
}

TValue TMemDataSet::GetFieldValueAt(const TField& field, std::size_t index) const {
  if (!Active() || index >= FData.RecordCount()) return TValue{};
  return ReadFieldValue(FData, FData.Record(index), DescOf(field));
}

bool TMemDataSet::GetFieldText(const TField& field, std::string& out) const {
  const char* record = ActiveRecord();
  return record && ReadFieldText(FData, record, DescOf(field), out);
}

bool TMemDataSet::GetFieldTextAt(const TField& field, std::size_t index, std::string& out) const {
  return Active() && index < FData.RecordCount() && ReadFieldText(FData, FData.Record(index), DescOf(field), out);
}

void TMemDataSet::CreateFields() {
  for (const TFieldDesc& desc : FData.Fields) {
    if (desc.Hidden) continue;
    TFieldType type = FieldTypeOf(desc.DataType);
    if (type == TFieldType::ftUnknown) throw EDatabaseError("Data type is not supported");
    int size = 0;
    if (type == TFieldType::ftString || type == TFieldType::ftWideString)
      size = desc.Length > 0 ? desc.Length : 1;
    else if (type == TFieldType::ftBytes || type == TFieldType::ftVarBytes)
      size = desc.Length;
    auto field = std::make_unique<TField>(*this, desc.Name, type, desc.DataType, size, desc.FieldNo);
    field->ReadOnly = desc.ReadOnly;
    field->AutoGenerateValue = desc.IsAutoIncrement;
    AddField(std::move(field));
  }
}

void TMemDataSet::InternalClose() {
  FreeNewRecord();
  FData.ClearRecords();
}

void TMemDataSet::FreeNewRecord() {
  if (!FNewRecord) return;
  FData.DiscardRecord(FNewRecord);
  FNewRecord = nullptr;
}

void TMemDataSet::InternalInsert(std::size_t) {
  FNewRecord = FData.NewEmptyRecord();
}

void TMemDataSet::InternalEdit() {
  FNewRecord = FData.NewRecord();
  FData.CopyRecord(FNewRecord, FData.Record(CurrentIndex()));
}

void TMemDataSet::InternalPost() {
  ApplyRecordUpdate();
  if (State() == dsInsert) {
    FData.InsertRecord(InsertPosition(), FNewRecord);
    FNewRecord = nullptr;
    SetCurrent(InsertPosition());
  } else {
    FData.ReplaceRecord(CurrentIndex(), FNewRecord);
    FNewRecord = nullptr;
  }
}

void TMemDataSet::InternalCancel() {
  FreeNewRecord();
}

void TMemDataSet::InternalDelete() {
  ApplyRecordDelete();
  FData.DeleteRecord(CurrentIndex());
}

void TMemDataSet::StoreFieldValue(TField& field, const TValue& nativeValue) {
  WriteFieldValue(FData, FNewRecord, DescOf(field), nativeValue);
}
