#pragma once
// The TCP transport.
#include "wire/CRVioSocket.h"

#include <string>

struct addrinfo;

enum class TIPVersion { ivIPv4, ivIPv6, ivIPBoth };

class TCRVioTcp : public TCRVioSocket {
 public:
  TCRVioTcp() = default;
  TCRVioTcp(std::string hostname, TIPVersion ipVersion, int port);

  // The last connect reached the server, which reset the connection at once: a lost connection
  // rather than one that could not be made.
  bool ResetAfterAccept() const { return FResetAfterAccept; }

  const std::string& GetHost() const { return FHostname; }
  int GetPort() const { return FPort; }
  TIPVersion GetIPVersion() const { return FIPVersion; }
  void SetHost(const std::string& hostname);
  void SetPort(int port);
  void SetIPVersion(TIPVersion version);

 protected:
  bool Open(const std::chrono::steady_clock::time_point* deadline) override;

 private:
  enum class TAttempt { Connected, Failed, TimedOut };
  TAttempt ConnectTo(const addrinfo& address, const std::chrono::steady_clock::time_point* deadline);

  std::string FHostname;
  int FPort = 0;
  TIPVersion FIPVersion = TIPVersion::ivIPv4;
  bool FResetAfterAccept = false;
};
