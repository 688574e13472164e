#include "dataset/RecordIndex.h"

#include <algorithm>

void TRecordIndex::insert(std::size_t index, char* record) {
  MoveGap(index);
  if (gapStart_ == gapEnd_) Grow();
  items_[gapStart_++] = record;
}

char* TRecordIndex::erase(std::size_t index) {
  MoveGap(index);
  return items_[gapEnd_++];
}

void TRecordIndex::clear() {
  items_.clear();
  gapStart_ = gapEnd_ = 0;
}

void TRecordIndex::MoveGap(std::size_t index) {
  if (index < gapStart_) {
    std::move_backward(items_.begin() + static_cast<std::ptrdiff_t>(index),
                       items_.begin() + static_cast<std::ptrdiff_t>(gapStart_),
                       items_.begin() + static_cast<std::ptrdiff_t>(gapEnd_));
  } else if (index > gapStart_) {
    std::move(items_.begin() + static_cast<std::ptrdiff_t>(gapEnd_),
              items_.begin() + static_cast<std::ptrdiff_t>(gapEnd_ + index - gapStart_),
              items_.begin() + static_cast<std::ptrdiff_t>(gapStart_));
  }
  std::size_t length = GapLength();
  gapStart_ = index;
  gapEnd_ = index + length;
}

// Doubles the room; the records behind the gap move to the new end.
void TRecordIndex::Grow() {
  std::size_t oldSize = items_.size();
  std::size_t added = std::max<std::size_t>(oldSize, 16);
  items_.resize(oldSize + added);
  std::move_backward(items_.begin() + static_cast<std::ptrdiff_t>(gapEnd_),
                     items_.begin() + static_cast<std::ptrdiff_t>(oldSize), items_.end());
  gapEnd_ += added;
}
