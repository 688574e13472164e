#pragma once
// A pixel-table dataset in memory for the grid and window tests.
#include "dataset/DataSource.h"
#include "dataset/MemDataSet.h"
#include "dataset/RecordValues.h"

#include <cstdio>
#include <string>
#include <vector>

// An in-memory dataset shaped like the pixel table: rows numbered 1..n in "Org_ID", a MAC text
// in "mac" and a free text in "note". It records the writes it was asked for and can refuse one.
class TPixelRows : public TMemDataSet {
 public:
  explicit TPixelRows(int count) : count_(count) {}

  std::vector<std::string> Written;
  bool FailNextWrite = false;
  bool ReadOnly = false;
  int Refreshes = 0;
  mutable long long RowReads = 0;  // cells read by record index

  static std::string MacOf(int number) {
    char text[18];
    std::snprintf(text, sizeof text, "54-2F-89-%02X-%02X-%02X", (number >> 16) & 0xFF, (number >> 8) & 0xFF,
                  number & 0xFF);
    return text;
  }

  bool CanModify() const override { return Active() && !ReadOnly; }

  TValue GetFieldValueAt(const TField& field, std::size_t index) const override {
    ++RowReads;
    return TMemDataSet::GetFieldValueAt(field, index);
  }

  bool GetFieldTextAt(const TField& field, std::size_t index, std::string& out) const override {
    ++RowReads;
    return TMemDataSet::GetFieldTextAt(field, index, out);
  }

 protected:
  void InternalOpen() override {
    TFieldDesc mac, orgId, note;
    mac.Name = "mac";
    mac.DataType = dtExtString;
    mac.Length = 17;
    orgId.Name = "Org_ID";
    orgId.DataType = dtInt32;
    note.Name = "note";
    note.DataType = dtExtString;
    note.Length = 30;
    Data().Fields = {mac, orgId, note};
    Data().InitLayout();
    Data().ReserveBlock(static_cast<std::size_t>(count_));
    for (int i = 1; i <= count_; ++i) {
      char* record = Data().NewRecord();
      WriteFieldValue(Data(), record, Data().Fields[0], MacOf(i));
      WriteFieldValue(Data(), record, Data().Fields[1], std::int64_t{i});
      WriteFieldValue(Data(), record, Data().Fields[2], "row " + std::to_string(i));
      Data().AppendRecord(record);
    }
    CreateFields();
  }
  void InternalRefresh() override { ++Refreshes; }
  void ApplyRecordUpdate() override {
    if (FailNextWrite) {
      FailNextWrite = false;
      throw EDatabaseError("write failed");
    }
    Written.push_back((State() == dsInsert ? "insert " : "update ") + FieldByName("note").AsString());
  }
  void ApplyRecordDelete() override { Written.push_back("delete " + FieldByName("note").AsString()); }

 private:
  int count_;
};

// A dataset with a data source, as the main window holds its query.
struct TPixelSource {
  explicit TPixelSource(int count) : rows(count) { source.SetDataSet(&rows); }
  TPixelRows rows;
  TDataSource source;
};
