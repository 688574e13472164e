#pragma once
// Ending a session's socket wait from another thread.
#include "wire/SocketCalls.h"

#include <mutex>

// The error code of a transport whose wait was broken: not a system's code, and not 0, which
// would read as the peer closing the connection.
inline constexpr int BrokenWaitCode = -1;

// Lets another thread end the wait of a session's socket at once: the socket being connected or
// read is shut down, and the transport that notices reports a time-out, so that what follows is
// what follows a time-out. A break asked while no socket waits ends the next wait that starts.
class TWaitBreaker {
 public:
  // Ends the current or the next wait.
  void Break();
  // Forgets a break not yet taken, before a new wait that is not to be ended by an old request.
  void Reset();

  // The socket that waits from now on; false when a break is pending (the wait is not to start).
  bool Watch(TSocketHandle socket);
  // Before the socket is closed, so that a break never reaches a handle used again.
  void Unwatch(TSocketHandle socket);
  // Whether a break ended the wait that just failed; the break is taken by that answer.
  bool TakeBreak();

 private:
  std::mutex lock_;
  TSocketHandle socket_ = InvalidSocketHandle;
  bool pending_ = false;
};
