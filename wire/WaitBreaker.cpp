#include "wire/WaitBreaker.h"

void TWaitBreaker::Break() {
  std::lock_guard guard(lock_);
  pending_ = true;
  if (socket_ != InvalidSocketHandle) ShutdownSocket(socket_);
}

void TWaitBreaker::Reset() {
  std::lock_guard guard(lock_);
  pending_ = false;
}

bool TWaitBreaker::Watch(TSocketHandle socket) {
  std::lock_guard guard(lock_);
  socket_ = socket;
  return !pending_;
}

void TWaitBreaker::Unwatch(TSocketHandle socket) {
  std::lock_guard guard(lock_);
  if (socket_ == socket) socket_ = InvalidSocketHandle;
}

bool TWaitBreaker::TakeBreak() {
  std::lock_guard guard(lock_);
  const bool taken = pending_;
  pending_ = false;
  return taken;
}
