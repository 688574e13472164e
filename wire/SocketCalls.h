#pragma once
// The platform's socket calls behind one face, for the transports over sockets.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using TSocketHandle = std::uintptr_t;
using TSockLen = int;
#else
#include <poll.h>
#include <sys/socket.h>
using TSocketHandle = int;
using TSockLen = socklen_t;
#endif

inline constexpr TSocketHandle InvalidSocketHandle = static_cast<TSocketHandle>(-1);

// The code of the last failed socket call.
int GetSocketError();
std::string SystemMessage(int code);
// What a blocking call reports when the socket's time-out passed.
bool IsSocketTimeout(int code);
// A code that IsSocketTimeout takes, for a wait that ran out by other means.
int SocketTimeoutCode();
bool IsConnectionReset(int code);
// Starts the socket library once per process; 0 or the failure code.
int StartSockets();
int SocketClose(TSocketHandle s);
void ShutdownSocket(TSocketHandle s);

// "head:\r\nwhat.\r\nSocket Error Code: 111($6F)"
std::string SocketErrorText(const char* head, const std::string& what, int code);
// A failed read or write; a passed time-out says so rather than "Resource temporarily unavailable".
std::string TransferErrorText(const char* head, int code, int timeoutSeconds);

// SO_RCVTIMEO or SO_SNDTIMEO; a refusal raises SocketException.
void SetSocketTimeout(TSocketHandle s, int option, int seconds);
void SetBlocking(TSocketHandle s, bool blocking);
// Result of a readiness wait: >0 ready, 0 timed out, <0 failed (error in GetSocketError()).
int SocketWait(TSocketHandle s, short events, int milliseconds);

// The outcome of connecting a new socket to one address.
struct TSocketAttempt {
  enum class TResult { Connected, NoSocket, Failed, TimedOut };
  TResult Result = TResult::Failed;
  TSocketHandle Socket = InvalidSocketHandle;  // open unless NoSocket
  int Code = 0;                                // the system's code for NoSocket and Failed
};

// Creates a stream socket of the address's family and connects it; with a deadline the connect
// is non-blocking and waited for until then. The socket is blocking afterwards. `watch` is told
// the new socket before the connect starts; when it says no, the attempt ends as timed out.
TSocketAttempt ConnectStreamSocket(const sockaddr* address, TSockLen length, int protocol,
                                   const std::chrono::steady_clock::time_point* deadline,
                                   const std::function<bool(TSocketHandle)>& watch = {});
