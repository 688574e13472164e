#pragma once
// Bytes the C library's heap holds for the program, mapped blocks included: a test compares it
// before and after an operation to see what the operation reserved.
#include <cstddef>

#include <malloc.h>

inline std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
