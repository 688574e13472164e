#pragma once
// A TCP relay on the loopback between a client and the test server that cuts one connection at a
// chosen moment: when the client sends bytes holding a marker, either before they reach the server
// or after the server has answered them (the server ran the statement, the client never hears).
// Connections after the cut are relayed unharmed, as a reconnect needs.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CutProxy {
 public:
  enum class Cut { BeforeServer, AfterReply };

  CutProxy(const std::string& host, int port);
  ~CutProxy();
  CutProxy(const CutProxy&) = delete;
  CutProxy& operator=(const CutProxy&) = delete;

  int Port() const { return port_; }
  // The next client bytes that hold the marker cut their connection in the given way.
  void Arm(const std::string& marker, Cut cut);
  bool HasCut() const { return cut_done_; }

 private:
  void Accept();
  void Relay(int client, int server);

  std::string host_;
  int target_port_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> cut_done_{false};
  std::mutex mutex_;
  std::string marker_;
  Cut cut_ = Cut::BeforeServer;
  std::vector<std::thread> relays_;
  std::thread acceptor_;
};
