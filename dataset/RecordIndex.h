#pragma once
// The gap-buffered order of a record store's records.
#include "platform/BulkMemory.h"

#include <cstddef>
#include <vector>

// The order of a store's records, reached by index in constant time. Records are kept around a
// gap that sits where the last insert or delete happened, so that rows inserted one after another
// at the same place (a technician registering pixels before the current row) cost no move of the
// records behind them; only moving the gap elsewhere moves the pointers in between.
class TRecordIndex {
 public:
  std::size_t size() const { return items_.size() - GapLength(); }
  char* operator[](std::size_t index) const { return items_[index < gapStart_ ? index : index + GapLength()]; }
  char*& operator[](std::size_t index) { return items_[index < gapStart_ ? index : index + GapLength()]; }

  void push_back(char* record) {
    if (gapStart_ < gapEnd_ && gapEnd_ == items_.size())  // fetched rows: the gap is already at the end
      items_[gapStart_++] = record;
    else
      insert(size(), record);
  }
  void insert(std::size_t index, char* record);
  // Removes the record at index from the order and returns it.
  char* erase(std::size_t index);
  void clear();

  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (i < gapStart_ || i >= gapEnd_) visit(items_[i]);
  }

 private:
  std::size_t GapLength() const { return gapEnd_ - gapStart_; }
  void MoveGap(std::size_t index);
  void Grow();

  // A million rows hold 8 MB of pointers: room mapped in bulk, added uninitialised.
  std::vector<char*, TBulkAllocator<char*>> items_;
  std::size_t gapStart_ = 0, gapEnd_ = 0;
};
