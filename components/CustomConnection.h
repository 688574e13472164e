#pragma once
// The generic connection component and the datasets and commands registered as its clients.
#include "dataset/Component.h"

#include <functional>
#include <mutex>
#include <vector>

// A dataset or command that uses a connection: told when it connects or disconnects.
class TConnectionClient {
 public:
  virtual ~TConnectionClient() = default;
  virtual void ConnectChange(bool connecting) = 0;
  // True while the client holds state a reconnect would lose (rows not yet all read).
  virtual bool BlocksReconnect() const { return false; }
  // The connection goes away: forget it.
  virtual void ConnectionDestroyed() = 0;
};

// The generic connection of the dataset framework: Connected, its four events and the clients.
class TCustomConnection : public TComponent {
 public:
  using TNotifyEvent = std::function<void(TCustomConnection&)>;
  ~TCustomConnection() override;

  TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

  bool Connected() const { return GetConnected(); }
  virtual void SetConnected(bool value);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  void RegisterClient(TConnectionClient* client);
  void UnRegisterClient(TConnectionClient* client);
  std::size_t ClientCount() const;

 protected:
  virtual bool GetConnected() const = 0;
  virtual void DoConnect() = 0;
  virtual void DoDisconnect() = 0;
  void SendConnectEvent(bool connecting);
  // BeforeDisconnect, clients told, DoDisconnect, AfterDisconnect; whatever Connected says.
  void RunDisconnect();
  std::vector<TConnectionClient*> Clients() const;
  static void Fire(const TNotifyEvent& event, TCustomConnection& sender) {
    if (event) event(sender);
  }

 private:
  mutable std::mutex hRegisterClient;
  std::vector<TConnectionClient*> FClients;
};
