#pragma once
// The transport over a local (Unix-domain) socket of a server on this machine.
#include "wire/CRVioSocket.h"

#include <string>

class TCRVioUnixSocket : public TCRVioSocket {
 public:
  explicit TCRVioUnixSocket(std::string path) : FPath(std::move(path)) {}

 protected:
  bool Open(const std::chrono::steady_clock::time_point* deadline) override;

 private:
  std::string FPath;
};
