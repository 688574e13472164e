#include "wire/CRVioSocket.h"

#include "wire/MessageFormat.h"
#include "wire/RestoreOnExit.h"
#include "wire/WaitBreaker.h"

#ifndef _WIN32
#include <cerrno>
#endif

namespace {

#ifdef _WIN32
constexpr int SendFlags = 0;
bool Interrupted(int) {
  return false;
}
#else
constexpr int SendFlags = MSG_NOSIGNAL;
bool Interrupted(int code) {
  return code == EINTR;
}
#endif

// A TCP stream keeps such bytes until the shutdown, whose FIN then carries them; a local socket
// passes them on at once.
#ifdef MSG_MORE
constexpr int HoldFlag = MSG_MORE;
#else
constexpr int HoldFlag = 0;
#endif

}  // namespace

TCRVioSocket::~TCRVioSocket() {
  Close();
}

void TCRVioSocket::CheckInactive(const char* message) {
  if (FSd == InvalidSocket) return;
  SetLastError(0, message);
  throw SocketException(message);
}

bool TCRVioSocket::Watch(TSocketHandle socket) {
  return !FBreaker || FBreaker->Watch(socket);
}

bool TCRVioSocket::EndedByBreak() {
  if (!FBreaker || !FBreaker->TakeBreak()) return false;
  SetLastError(BrokenWaitCode, "The wait for the server was cancelled");
  FTimedOut = true;
  return true;
}

void TCRVioSocket::SetTimeout(int seconds) {
  SetReceiveTimeout(seconds);
  FConnectionTimeout = seconds;
}

void TCRVioSocket::SetSendTimeout(int seconds) {
  if (seconds == FSendTimeout) return;
  FSendTimeout = seconds;
  // Below 1 the socket keeps the limit it has: no limit unless one was applied before.
  if (FSd != InvalidSocket && seconds >= 1) SetSocketTimeout(FSd, SO_SNDTIMEO, seconds);
}

void TCRVioSocket::SetReceiveTimeout(int seconds) {
  if (seconds == FReceiveTimeout) return;
  FReceiveTimeout = seconds;
  if (FSd != InvalidSocket) SetSocketTimeout(FSd, SO_RCVTIMEO, seconds < 0 ? 0 : seconds);
}

void TCRVioSocket::ApplyStoredTimeout(int& field, void (TCRVioSocket::*setter)(int)) {
  const int stored = field;
  TRestoreOnExit restore(field, stored);
  field = -1;
  (this->*setter)(stored);
}

bool TCRVioSocket::TryConnect() {
  if (FSd != InvalidSocket) return false;
  TCRVio::TryConnect();
  ClearLastError();

  bool connected = false;
  const int startError = StartSockets();
  if (startError != 0) {
    SetLastError(startError, FormatTemplate("WSAStartup failed.\r\nSocket Error Code: %d", {std::int64_t{startError}}));
  } else {
    // The time-out bounds the whole connect, the lookup of a host name included; a deadline set
    // for more than the connect bounds it instead.
    const TDeadline deadline = FDeadline.IsSet() ? FDeadline : TDeadline::In(FConnectionTimeout);
    const auto when = deadline.When();
    connected = Open(deadline.IsSet() ? &when : nullptr);
  }
  if (connected && !Watch(FSd)) connected = false;
  if (connected) {
    try {
      ApplyStoredTimeout(FReceiveTimeout, &TCRVioSocket::SetReceiveTimeout);
      ApplyStoredTimeout(FSendTimeout, &TCRVioSocket::SetSendTimeout);
    } catch (const SocketException& e) {
      SetLastError(GetSocketError(), e.what());
      connected = false;
    }
  }
  if (!connected) {
    EndedByBreak();
    Close();
  }
  return connected;
}

void TCRVioSocket::Connect() {
  if (!TryConnect()) throw SocketException(FLastError.empty() ? "Unknown socket error" : FLastError);
}

void TCRVioSocket::Close() {
  FHoldForClose = false;
  if (FSd == InvalidSocket) return;
  if (FBreaker) FBreaker->Unwatch(FSd);
  ShutdownSocket(FSd);
  SocketClose(FSd);
  FSd = InvalidSocket;
}

bool TCRVioSocket::ReadyBeforeDeadline(short events, const char* head) {
  if (!FDeadline.IsSet()) return true;
  const int ready = SocketWait(FSd, events, static_cast<int>(FDeadline.Left().count()));
  // A failed wait is left to the call that follows, which reports the socket's own error.
  if (ready != 0) return true;
  const int code = SocketTimeoutCode();
  SetLastError(code, TransferErrorText(head, code, FDeadline.Seconds()));
  FTimedOut = true;
  return false;
}

std::size_t TCRVioSocket::ReadNoWait(void* buffer, std::size_t count) {
  ClearLastError();
  if (!ReadyBeforeDeadline(POLLIN, "Error on data reading from the connection")) return 0;
  for (;;) {
    const auto got = recv(FSd, static_cast<char*>(buffer), static_cast<int>(count), 0);
    if (got > 0 || (got == 0 && !EndedByBreak())) return static_cast<std::size_t>(got);
    if (got == 0) return 0;
    const int code = GetSocketError();
    if (Interrupted(code)) continue;
    if (EndedByBreak()) return 0;
    SetLastError(code, TransferErrorText("Error on data reading from the connection", code, FReceiveTimeout));
    FTimedOut = IsSocketTimeout(code);
    return 0;
  }
}

std::size_t TCRVioSocket::WriteNoWait(const void* buffer, std::size_t count) {
  ClearLastError();
  if (!ReadyBeforeDeadline(POLLOUT, "Error on data writing to the connection")) return 0;
  for (;;) {
    const auto sent = send(FSd, static_cast<const char*>(buffer), static_cast<int>(count),
                           SendFlags | (FHoldForClose ? HoldFlag : 0));
    if (sent >= 0) return static_cast<std::size_t>(sent);
    const int code = GetSocketError();
    if (Interrupted(code)) continue;
    if (EndedByBreak()) return 0;
    SetLastError(code, TransferErrorText("Error on data writing to the connection", code, FSendTimeout));
    FTimedOut = IsSocketTimeout(code);
    return 0;
  }
}

std::size_t TCRVioSocket::Write(const void* buffer, std::size_t count) {
  if (FSd == InvalidSocket) {
    SetLastError(0, "Error on data writing to the connection: Invalid socket");
    return 0;
  }
  return TCRVio::Write(buffer, count);
}

bool TCRVioSocket::WaitForData(int seconds) {
  ClearLastError();
  const int rc = SocketWait(FSd, POLLIN, seconds < 0 ? -1 : seconds * 1000);
  if (rc < 0) {
    const int code = GetSocketError();
    SetLastError(code, SocketErrorText("Error on data waiting from the connection", SystemMessage(code), code));
    throw SocketException(FLastError);
  }
  return rc > 0;
}
