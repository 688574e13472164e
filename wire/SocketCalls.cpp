#include "wire/SocketCalls.h"

#include "wire/CRVio.h"
#include "wire/MessageFormat.h"

#include <cstring>
#include <mutex>

#ifndef _WIN32
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef _WIN32
int GetSocketError() {
  return WSAGetLastError();
}

std::string SystemMessage(int code) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code), 0, text,
                 sizeof text, nullptr);
  std::string s(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.')) s.pop_back();
  return s;
}

bool IsSocketTimeout(int code) {
  return code == WSAETIMEDOUT;
}

int SocketTimeoutCode() {
  return WSAETIMEDOUT;
}

bool IsConnectionReset(int code) {
  return code == WSAECONNRESET;
}

int StartSockets() {
  static std::mutex lock;
  static bool started = false;
  std::lock_guard<std::mutex> guard(lock);
  if (started) return 0;
  WSADATA data;
  const int rc = WSAStartup(MAKEWORD(2, 2), &data);
  if (rc == 0) started = true;
  return rc;
}

int SocketClose(TSocketHandle s) {
  return closesocket(s);
}

void ShutdownSocket(TSocketHandle s) {
  shutdown(s, SD_BOTH);
}
#else
int GetSocketError() {
  return errno;
}

std::string SystemMessage(int code) {
  return std::strerror(code);
}

bool IsSocketTimeout(int code) {
  return code == EAGAIN || code == EWOULDBLOCK;
}

int SocketTimeoutCode() {
  return EAGAIN;
}

bool IsConnectionReset(int code) {
  return code == ECONNRESET;
}

int StartSockets() {
  return 0;
}

int SocketClose(TSocketHandle s) {
  return ::close(s);
}

void ShutdownSocket(TSocketHandle s) {
  shutdown(s, SHUT_RDWR);
}
#endif

std::string SocketErrorText(const char* head, const std::string& what, int code) {
  return FormatTemplate("%s:\r\n%s.\r\nSocket Error Code: %d($%X)",
                        {std::string(head), what, std::int64_t{code}, std::int64_t{code}});
}

std::string TransferErrorText(const char* head, int code, int timeoutSeconds) {
  if (IsSocketTimeout(code))
    return FormatTemplate("%s:\r\nThe time-out of %d seconds passed.",
                          {std::string(head), std::int64_t{timeoutSeconds}});
  return SocketErrorText(head, SystemMessage(code), code);
}

void SetSocketTimeout(TSocketHandle s, int option, int seconds) {
#ifdef _WIN32
  const DWORD value = static_cast<DWORD>(seconds) * 1000;
#else
  timeval value{};
  value.tv_sec = seconds;
#endif
  if (setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value) != 0) {
    const int code = GetSocketError();
    throw SocketException(SystemMessage(code));
  }
}

void SetBlocking(TSocketHandle s, bool blocking) {
#ifdef _WIN32
  u_long nonBlocking = blocking ? 0 : 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
#else
  const int flags = fcntl(s, F_GETFL, 0);
  fcntl(s, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
#endif
}

int SocketWait(TSocketHandle s, short events, int milliseconds) {
#ifdef _WIN32
  WSAPOLLFD fd{s, events, 0};
  return WSAPoll(&fd, 1, milliseconds);
#else
  pollfd fd{s, events, 0};
  int rc;
  do {
    rc = poll(&fd, 1, milliseconds);
  } while (rc < 0 && errno == EINTR);
  return rc;
#endif
}

namespace {

#ifdef _WIN32
bool IsConnectInProgress(int code) {
  return code == WSAEWOULDBLOCK;
}
// A blocking connect that reports it would block has connected.
bool ConnectedAnyway(int code) {
  return code == WSAEWOULDBLOCK;
}
#else
bool IsConnectInProgress(int code) {
  return code == EINPROGRESS;
}
// EAGAIN from a local socket means its queue is full: a failure, not a connect in progress.
bool ConnectedAnyway(int) {
  return false;
}
#endif

// A connect still in progress (non-blocking) finishes within the time limit or fails.
int WaitForConnect(TSocketHandle s, int milliseconds, bool& timedOut) {
  timedOut = false;
  const int rc = SocketWait(s, POLLOUT, milliseconds);
  if (rc == 0) {
    timedOut = true;
    return 0;
  }
  if (rc < 0) return GetSocketError();
  int error = 0;
  TSockLen length = sizeof error;
  getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
  return error;
}

}  // namespace

TSocketAttempt ConnectStreamSocket(const sockaddr* address, TSockLen length, int protocol,
                                   const std::chrono::steady_clock::time_point* deadline,
                                   const std::function<bool(TSocketHandle)>& watch) {
  using TResult = TSocketAttempt::TResult;
  TSocketAttempt attempt;
  attempt.Socket = socket(address->sa_family, SOCK_STREAM, protocol);
  if (attempt.Socket == InvalidSocketHandle) {
    attempt.Result = TResult::NoSocket;
    attempt.Code = GetSocketError();
    return attempt;
  }
  if (watch && !watch(attempt.Socket)) {
    attempt.Result = TResult::TimedOut;
    return attempt;
  }
  // A time limit of our own needs a non-blocking connect and a readiness wait.
  if (deadline) SetBlocking(attempt.Socket, false);
  int code = 0;
  if (connect(attempt.Socket, address, length) != 0) {
    code = GetSocketError();
    if (deadline && IsConnectInProgress(code)) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
      bool timedOut = left.count() <= 0;
      if (!timedOut) code = WaitForConnect(attempt.Socket, static_cast<int>(left.count()), timedOut);
      if (timedOut) {
        attempt.Result = TResult::TimedOut;
        return attempt;
      }
    } else if (ConnectedAnyway(code)) {
      code = 0;
    }
  }
  if (deadline) SetBlocking(attempt.Socket, true);
  attempt.Code = code;
  attempt.Result = code == 0 ? TResult::Connected : TResult::Failed;
  return attempt;
}
