#include "dataset/RecordLayout.h"

#include <algorithm>

int FieldSizeOf(const TFieldDesc& desc) {
  switch (desc.DataType) {
    case dtString:
    case dtBytes:
      return desc.Length + 1;
    case dtVarBytes:
      return desc.Length + 2;
    case dtWideString:
      return 2 * desc.Length + 2;
    case dtInt8:
    case dtUInt8:
    case dtInt16:
    case dtUInt16:
    case dtBoolean:
      return 2;
    case dtInt32:
    case dtUInt32:
      return 4;
    case dtFloat:
    case dtBCD:
    case dtCurrency:
    case dtInt64:
    case dtUInt64:
    case dtDate:
    case dtTime:
    case dtDateTime:
    case dtSQLTimeStamp:
      return 8;
    case dtFMTBCD:
      return desc.Length > 64 ? 64 : std::max(desc.Length + 1, 34);
    case dtBlob:
    case dtMemo:
    case dtWideMemo:
    case dtExtString:
    case dtExtWideString:
    case dtExtVarBytes:
      return static_cast<int>(sizeof(void*));  // a reference
    default:
      return 0;
  }
}

TRecordLayout ComputeRecordLayout(TFieldDescs& descs) {
  int offset = 0;
  for (TFieldDesc& desc : descs) {
    desc.Size = FieldSizeOf(desc);
    if (desc.DataType == dtWideString && offset % 2 != 0) ++offset;
    desc.Offset = offset;
    offset += desc.Size;
  }
  TRecordLayout layout;
  layout.DataSize = offset;
  layout.RecordSize = offset + static_cast<int>(descs.size());
  layout.RecordSize += layout.RecordSize % 2;
  return layout;
}
