#pragma once
// The TCP transport.
#include "wire/CRVio.h"

#include <chrono>
#include <stdexcept>
#include <string>

struct addrinfo;

enum class TIPVersion { ivIPv4, ivIPv6, ivIPBoth };

class SocketException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

#ifdef _WIN32
using TSocketHandle = std::uintptr_t;
#else
using TSocketHandle = int;
#endif

class TCRVioTcp : public TCRVio {
 public:
  TCRVioTcp() = default;
  TCRVioTcp(std::string hostname, TIPVersion ipVersion, int port);
  ~TCRVioTcp() override;

  int GetTimeout() const override { return FReceiveTimeout; }
  // Sets the receive time-out and the connection time-out; the send time-out stays.
  void SetTimeout(int seconds) override;
  bool TryConnect() override;
  void Connect() override;
  void Close() override;
  std::size_t ReadNoWait(void* buffer, std::size_t count) override;
  std::size_t WriteNoWait(const void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  bool WaitForData(int seconds) override;

  virtual TSocketHandle GetSocket() const { return FSd; }
  bool IsActive() const { return FSd != InvalidSocket; }
  // The last connect reached the server, which reset the connection at once: a lost connection
  // rather than one that could not be made.
  bool ResetAfterAccept() const { return FResetAfterAccept; }

  const std::string& GetHost() const { return FHostname; }
  int GetPort() const { return FPort; }
  TIPVersion GetIPVersion() const { return FIPVersion; }
  void SetHost(const std::string& hostname);
  void SetPort(int port);
  void SetIPVersion(TIPVersion version);
  int GetConnectionTimeout() const { return FConnectionTimeout; }
  void SetConnectionTimeout(int seconds) { FConnectionTimeout = seconds; }
  int GetSendTimeout() const { return FSendTimeout; }
  void SetSendTimeout(int seconds);
  int GetReceiveTimeout() const { return FReceiveTimeout; }
  void SetReceiveTimeout(int seconds);

  static constexpr TSocketHandle InvalidSocket = static_cast<TSocketHandle>(-1);

 private:
  void CheckInactive(const char* message);
  bool InternalConnect();
  enum class TAttempt { Connected, Failed, TimedOut };
  TAttempt ConnectTo(const addrinfo& address, bool limited, std::chrono::steady_clock::time_point deadline);
  void ApplyStoredTimeout(int& field, void (TCRVioTcp::*setter)(int));

  std::string FHostname;
  int FPort = 0;
  int FConnectionTimeout = 0;
  int FSendTimeout = 0;
  int FReceiveTimeout = 30;
  TIPVersion FIPVersion = TIPVersion::ivIPv4;
  bool FResetAfterAccept = false;
  TSocketHandle FSd = InvalidSocket;
};
