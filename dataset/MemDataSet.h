#pragma once
// The dataset over the in-memory record store, with its edit and insert buffer.
#include "dataset/DataSet.h"
#include "dataset/MemData.h"

// A dataset over the in-memory record store. Browsing reads the stored records in place; an
// edit or insert works on a copy (the new buffer) that Post puts into the store.
class TMemDataSet : public TDataSet {
 public:
  TMemDataSet() = default;
  ~TMemDataSet() override;

  TMemData& Data() { return FData; }
  const TMemData& Data() const { return FData; }

  TValue GetFieldValue(const TField& field) const override;
  TValue GetFieldValueAt(const TField& field, std::size_t index) const override;
  bool GetFieldText(const TField& field, std::string& out) const override;
  bool GetFieldTextAt(const TField& field, std::size_t index, std::string& out) const override;
  // The record the fields show: the new buffer while editing, else the current stored record.
  // Inline: every value read passes here.
  const char* ActiveRecord() const {
    if (FNewRecord) return FNewRecord;
    if (!Active() || FData.RecordCount() == 0) return nullptr;
    return FData.Record(CurrentIndex());
  }
  // The stored version of the current record (the old values), none while inserting.
  const char* OldRecord() const;
  const TFieldDesc& DescOf(const TField& field) const;

 protected:
  // Creates a field object for each visible field description.
  void CreateFields();
  // Writes an inserted (state dsInsert) or changed record to wherever the data came from;
  // nothing by default.
  virtual void ApplyRecordUpdate() {}
  virtual void ApplyRecordDelete() {}

  void InternalClose() override;
  int GetRecordCount() const override { return static_cast<int>(FData.RecordCount()); }
  void InternalInsert(std::size_t position) override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void StoreFieldValue(TField& field, const TValue& nativeValue) override;
  // Drops the new buffer, if any.
  void FreeNewRecord();

 private:
  TMemData FData;
  char* FNewRecord = nullptr;
};
