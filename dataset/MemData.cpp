#include "dataset/MemData.h"

#include "dataset/Blob.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename T>
T* LoadPointer(const char* record, const TFieldDesc& desc) {
  T* pointer;
  std::memcpy(&pointer, record + desc.Offset, sizeof pointer);
  return pointer;
}

}  // namespace

TMemData::~TMemData() {
  ClearRecords();
}

void TMemData::InitLayout() {
  ClearRecords();
  for (std::size_t i = 0; i < Fields.size(); ++i) Fields[i].FieldNo = static_cast<int>(i) + 1;
  FLayout = ComputeRecordLayout(Fields);
  FReferenceFields.clear();
  FHasBlobFields = false;
  for (const TFieldDesc& desc : Fields)
    if (IsOutOfLineType(desc.DataType) || IsBlobType(desc.DataType)) {
      FReferenceFields.push_back(&desc);
      FHasBlobFields = FHasBlobFields || IsBlobType(desc.DataType);
    }
}

void TMemData::ReserveBlock(std::size_t count) {
  if (FFreeRecords.size() + FBlockLeft >= count) return;
  // Wide records come a chunk's worth at a time, so a result of thousands of columns holds no
  // memory for rows that have not arrived.
  const auto recordSize = static_cast<std::size_t>(FLayout.RecordSize);
  if (recordSize > 0) count = std::clamp<std::size_t>(TChunkArena::LastChunk / recordSize, 1, count);
  std::size_t bytes = count * recordSize;
  // Left uninitialised: NewRecord clears each record as it hands it out.
  FBlockNext = FBlocks.Carve(bytes ? bytes : 1);
  FBlockLeft = count;
}

char* TMemData::NewRecord() {
  char* record;
  if (!FFreeRecords.empty()) {
    record = FFreeRecords.back();
    FFreeRecords.pop_back();
  } else {
    if (FBlockLeft == 0) ReserveBlock(10);
    record = FBlockNext;
    FBlockNext += FLayout.RecordSize;
    --FBlockLeft;
  }
  std::memset(record, 0, static_cast<std::size_t>(FLayout.RecordSize));
  return record;
}

char* TMemData::NewEmptyRecord() {
  char* record = NewRecord();
  for (const TFieldDesc& desc : Fields) {
    SetNullFlag(record, desc, true);
    if (IsBlobType(desc.DataType)) {
      TBlob* blob = new TCompressedBlob(desc.DataType == dtWideMemo);
      std::memcpy(record + desc.Offset, &blob, sizeof blob);
    }
  }
  return record;
}

void TMemData::DiscardRecord(char* record) {
  ReleaseValues(record);
  FFreeRecords.push_back(record);
}

void TMemData::InsertRecord(std::size_t index, char* record) {
  FRecords.insert(index, record);
}

void TMemData::DeleteRecord(std::size_t index) {
  DiscardRecord(FRecords.erase(index));
}

void TMemData::ReplaceRecord(std::size_t index, char* record) {
  DiscardRecord(FRecords[index]);
  FRecords[index] = record;
}

void TMemData::ClearRecords() {
  // The heap is cleared at once below; only large objects, whose uses may be held outside the
  // store, are let go record by record.
  if (FHasBlobFields)
    FRecords.ForEach([this](char* record) {
      for (const TFieldDesc* desc : FReferenceFields)
        if (IsBlobType(desc->DataType))
          if (auto* blob = LoadPointer<TBlob>(record, *desc)) blob->Release();
    });
  FRecords.clear();
  FFreeRecords.clear();
  FBlocks.Clear();
  FBlockNext = nullptr;
  FBlockLeft = 0;
  FHeap.Clear();
}

void TMemData::CopyRecord(char* destination, const char* source) {
  std::memcpy(destination, source, static_cast<std::size_t>(FLayout.RecordSize));
  for (const TFieldDesc* desc : FReferenceFields) {
    if (IsBlobType(desc->DataType)) {
      if (auto* blob = LoadPointer<TBlob>(source, *desc)) blob->AddRef();
    } else if (char* buffer = LoadPointer<char>(source, *desc)) {
      char* shared = FHeap.AddRef(buffer);
      std::memcpy(destination + desc->Offset, &shared, sizeof shared);
    }
  }
}

void TMemData::ReleaseValues(char* record) {
  for (const TFieldDesc* desc : FReferenceFields) {
    if (IsBlobType(desc->DataType)) {
      if (auto* blob = LoadPointer<TBlob>(record, *desc)) blob->Release();
    } else if (char* buffer = LoadPointer<char>(record, *desc)) {
      FHeap.DisposeBuf(buffer);
    }
    std::memset(record + desc->Offset, 0, sizeof(void*));
  }
}
