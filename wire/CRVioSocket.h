#pragma once
// A transport over a connected stream socket: its time-outs, reads, writes and waits. How the
// socket is opened (TCP, a local socket) is left to the kinds derived from it.
#include "wire/CRVio.h"
#include "wire/SocketCalls.h"

#include <chrono>
#include <memory>

class TWaitBreaker;

class TCRVioSocket : public TCRVio {
 public:
  ~TCRVioSocket() override;

  int GetTimeout() const override { return FReceiveTimeout; }
  // Sets the receive time-out and the connection time-out; the send time-out stays.
  void SetTimeout(int seconds) override;
  void SetDeadline(const TDeadline& deadline) override { FDeadline = deadline; }
  bool TryConnect() override;
  void Connect() override;
  void Close() override;
  std::size_t ReadNoWait(void* buffer, std::size_t count) override;
  std::size_t WriteNoWait(const void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  bool WaitForData(int seconds) override;
  void HoldLastWriteForClose() override { FHoldForClose = true; }

  virtual TSocketHandle GetSocket() const { return FSd; }
  bool IsActive() const { return FSd != InvalidSocket; }

  int GetConnectionTimeout() const { return FConnectionTimeout; }
  void SetConnectionTimeout(int seconds) { FConnectionTimeout = seconds; }
  int GetSendTimeout() const { return FSendTimeout; }
  void SetSendTimeout(int seconds);
  int GetReceiveTimeout() const { return FReceiveTimeout; }
  void SetReceiveTimeout(int seconds);

  // Lets another thread end this transport's waits; none: they end by time-out alone.
  void SetWaitBreaker(std::shared_ptr<TWaitBreaker> breaker) { FBreaker = std::move(breaker); }

  static constexpr TSocketHandle InvalidSocket = InvalidSocketHandle;

 protected:
  // Opens FSd to the endpoint, before the deadline when there is one; false with the error set.
  virtual bool Open(const std::chrono::steady_clock::time_point* deadline) = 0;
  // Raises SocketException with the message while connected.
  void CheckInactive(const char* message);
  // Tells the breaker which socket waits now; false when a break is pending.
  bool Watch(TSocketHandle socket);

  TSocketHandle FSd = InvalidSocket;

 private:
  void ApplyStoredTimeout(int& field, void (TCRVioSocket::*setter)(int));
  // After a failed wait: true, with the failure turned into a time-out, when a break ended it.
  bool EndedByBreak();

  std::shared_ptr<TWaitBreaker> FBreaker;
  // Waits for the socket to be ready for events until the deadline, when one is set; false with
  // a time-out error under head when it passes first.
  bool ReadyBeforeDeadline(short events, const char* head);

  int FConnectionTimeout = 0;
  int FSendTimeout = 0;
  int FReceiveTimeout = 30;
  TDeadline FDeadline;
  bool FHoldForClose = false;
};
