#pragma once
// The layout of a record: each field's offset and size, and the null flags.
#include "dataset/FieldDesc.h"

// Where the values and null flags of a record lie.
struct TRecordLayout {
  int DataSize = 0;    // bytes of the values; the null area starts here
  int RecordSize = 0;  // values, one null byte per field, rounded up to even
};

// Bytes a value of this description takes in a record.
int FieldSizeOf(const TFieldDesc& desc);

// Gives every description its size and offset and returns the sizes of the record.
TRecordLayout ComputeRecordLayout(TFieldDescs& descs);
