#include "components/CustomConnection.h"

#include <algorithm>

TCustomConnection::~TCustomConnection() = default;

void TCustomConnection::SetConnected(bool value) {
  if (value == GetConnected()) return;
  if (value) {
    Fire(BeforeConnect, *this);
    DoConnect();
    SendConnectEvent(true);
    Fire(AfterConnect, *this);
  } else {
    RunDisconnect();
  }
}

void TCustomConnection::RunDisconnect() {
  Fire(BeforeDisconnect, *this);
  SendConnectEvent(false);
  DoDisconnect();
  Fire(AfterDisconnect, *this);
}

void TCustomConnection::RegisterClient(TConnectionClient* client) {
  std::lock_guard lock(hRegisterClient);
  if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) FClients.push_back(client);
}

void TCustomConnection::UnRegisterClient(TConnectionClient* client) {
  std::lock_guard lock(hRegisterClient);
  std::erase(FClients, client);
}

std::size_t TCustomConnection::ClientCount() const {
  std::lock_guard lock(hRegisterClient);
  return FClients.size();
}

std::vector<TConnectionClient*> TCustomConnection::Clients() const {
  std::lock_guard lock(hRegisterClient);
  return FClients;
}

void TCustomConnection::SendConnectEvent(bool connecting) {
  for (TConnectionClient* client : Clients()) client->ConnectChange(connecting);
}
