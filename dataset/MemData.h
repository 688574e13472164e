#pragma once
// The in-memory record store: the layout, order, values and large objects of fetched rows.
#include "dataset/ChunkArena.h"
#include "dataset/FieldDesc.h"
#include "dataset/RecordIndex.h"
#include "dataset/RecordLayout.h"
#include "dataset/StringHeap.h"

#include <cstddef>
#include <vector>

// The in-memory record store: fixed-size records in row order. Beside the order, records are
// reached by their 0-based index in constant time; inserting or deleting in the middle moves
// pointers only. Records are carved from blocks (one per fetch), and freed records are reused.
class TMemData {
 public:
  TMemData() = default;
  TMemData(const TMemData&) = delete;
  TMemData& operator=(const TMemData&) = delete;
  ~TMemData();

  TFieldDescs Fields;
  std::vector<TTableInfo> Tables;

  // Lays the records out from Fields; only while the store holds no records.
  void InitLayout();
  const TRecordLayout& Layout() const { return FLayout; }
  int RecordSize() const { return FLayout.RecordSize; }

  std::size_t RecordCount() const { return FRecords.size(); }
  char* Record(std::size_t index) const { return FRecords[index]; }

  // Makes room for count records in one block, so that the rows of a fetch share an allocation;
  // records wider than a chunk get fewer, at least one.
  void ReserveBlock(std::size_t count);
  // A zero-filled record that is not yet part of the order.
  char* NewRecord();
  // A new record as an inserted row starts: every field NULL, large objects empty.
  char* NewEmptyRecord();
  // Gives back a record obtained from NewRecord that never entered the order, with its values.
  void DiscardRecord(char* record);

  void AppendRecord(char* record) { FRecords.push_back(record); }
  void InsertRecord(std::size_t index, char* record);
  // Removes the record from the order and frees it with its values.
  void DeleteRecord(std::size_t index);
  // Puts a new record in place of the one at index, which is freed.
  void ReplaceRecord(std::size_t index, char* record);
  // Discards every record and value; the layout stays.
  void ClearRecords();

  // Copies a record, adding a use to each of its out-of-line values and large objects.
  void CopyRecord(char* destination, const char* source);
  // Drops the uses that a record holds on out-of-line values and large objects.
  void ReleaseValues(char* record);

  bool IsNull(const char* record, const TFieldDesc& desc) const {
    return record[FLayout.DataSize + desc.FieldNo - 1] != 0;
  }
  void SetNullFlag(char* record, const TFieldDesc& desc, bool isNull) const {
    record[FLayout.DataSize + desc.FieldNo - 1] = isNull ? 1 : 0;
  }

  TStringHeap& StringHeap() { return FHeap; }

 private:
  TRecordLayout FLayout;
  TRecordIndex FRecords;
  TChunkArena FBlocks;
  char* FBlockNext = nullptr;
  std::size_t FBlockLeft = 0;
  std::vector<char*> FFreeRecords;
  TStringHeap FHeap;
  std::vector<const TFieldDesc*> FReferenceFields;  // out-of-line and large-object fields
  bool FHasBlobFields = false;
};
