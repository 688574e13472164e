#include "components/DAConnection.h"

#include "wire/RestoreOnExit.h"

TCustomDAConnection::~TCustomDAConnection() {
  try {
    if (GetConnected()) SetConnected(false);
  } catch (...) {
    // Being destroyed: a failing logout must not stop it.
  }
  for (TConnectionClient* client : Clients()) client->ConnectionDestroyed();
}

bool TCustomDAConnection::GetConnected() const {
  return FIConnection && FIConnection->GetConnected();
}

void TCustomDAConnection::CheckInactive() const {
  if (GetConnected()) throw EDatabaseError("Cannot perform this operation on an open connection");
}

void TCustomDAConnection::SetServer(const std::string& value) {
  if (value == FServer) return;
  Disconnect();
  FServer = value;
}

void TCustomDAConnection::SetUsername(const std::string& value) {
  if (value == FUsername) return;
  Disconnect();
  FUsername = value;
}

void TCustomDAConnection::SetPassword(const std::string& value) {
  if (value == FPassword) return;
  Disconnect();
  FPassword = value;
}

std::vector<std::string> TCustomDAConnection::GetLoginParams() const {
  return {"SERVER=" + FServer, "USERNAME=" + FUsername, "PASSWORD=" + FPassword};
}

void TCustomDAConnection::SetLoginParams(const std::vector<std::string>& params) {
  for (const std::string& param : params) {
    std::size_t equals = param.find('=');
    if (equals == std::string::npos) continue;
    std::string name = param.substr(0, equals), value = param.substr(equals + 1);
    if (name == "SERVER")
      SetServer(value);
    else if (name == "USERNAME")
      SetUsername(value);
    else if (name == "PASSWORD")
      SetPassword(value);
  }
}

void TCustomDAConnection::SetConnected(bool value) {
  if (value == GetConnected()) return;
  if (value) {
    int count = ++FConnectCount;
    try {
      if (LoginPrompt && OnLogin) {
        std::vector<std::string> params = GetLoginParams();
        OnLogin(*this, params);
        SetLoginParams(params);
      }
      PerformConnect();
    } catch (...) {
      FConnectCount = GetConnected() ? count : count - 1;
      throw;
    }
    FConnectCount = count;
    return;
  }
  PerformDisconnect();
}

void TCustomDAConnection::PerformDisconnect() {
  FConnectCount = 0;
  FShouldShowPrompt = true;
  Fire(BeforeDisconnect, *this);
  for (;;) {
    try {
      SendConnectEvent(false);
      break;
    } catch (const EDAError& error) {
      if (!error.IsFatalError()) throw;
    }
  }
  TRestoreOnExit restore(BeforeDisconnect, std::move(BeforeDisconnect));
  BeforeDisconnect = nullptr;
  RunDisconnect();
}

void TCustomDAConnection::PerformConnect() {
  if (GetConnected()) return;
  Fire(BeforeConnect, *this);
  DoConnect();
  ++FConnectCount;
  SendConnectEvent(true);
  Fire(AfterConnect, *this);
  FShouldShowPrompt = false;
}

void TCustomDAConnection::InstallCallbacks() {
  FIConnection->OnError = [this](EMyError& error, bool& fail, int attempt) { return DoError(error, fail, attempt); };
  // The session is closed already, so Disconnect would see nothing to do; the datasets still
  // have to close and the window to hear of it.
  FIConnection->OnReconnectError = [this] {
    try {
      PerformDisconnect();
    } catch (...) {
    }
  };
  FIConnection->OnReconnectSuccess = [this] { Fire(AfterConnect, *this); };
  FIConnection->MayMoveToAnotherHost = [this] { return SessionMayBeReplaced(); };
}

bool TCustomDAConnection::SessionMayBeReplaced() const {
  // Inside a transaction a new session would silently lose what it did.
  if (InTransaction()) return false;
  for (TConnectionClient* client : Clients())
    if (client->BlocksReconnect()) return false;
  return true;
}

void TCustomDAConnection::DoConnect() {
  if (!FIConnection) {
    FIConnection = CreateIConnection();
    InstallCallbacks();
  }
  FIConnection->IsValid = true;
  FIConnection->SetUsername(FUsername);
  FIConnection->SetPassword(FPassword);
  FIConnection->SetServer(FServer);
  FIConnection->Connect({});
}

void TCustomDAConnection::DoDisconnect() {
  if (FInTransaction) {
    FInTransaction = false;
    try {
      FIConnection->ExecStatement("ROLLBACK");
    } catch (...) {
      // The session may be gone already; the server rolls back on its own then.
    }
  }
  if (FIConnection && FIConnection->GetConnected()) FIConnection->Disconnect();
}

void TCustomDAConnection::InternalConnect() {
  ++FConnectCount;
  try {
    if (!GetConnected()) Connect();
  } catch (...) {
    --FConnectCount;
    throw;
  }
}

void TCustomDAConnection::InternalDisconnect() {
  if (FConnectCount > 0) --FConnectCount;
  if (FConnectCount == 0 && DisconnectedMode && !InTransaction()) Disconnect();
}

bool TCustomDAConnection::DoError(EMyError& error, bool& fail, int attempt) {
  bool fatal = error.IsFatalError();
  bool reconnect = false;
  if (fatal && attempt == 0) reconnect = FIConnection && FIConnection->GetConnected() && SessionMayBeReplaced();
  if (OnError) OnError(*this, error, fail);
  if (fatal) {
    if (FIConnection) FIConnection->IsValid = false;
    if (attempt == 0) FInTransaction = false;
    if (attempt == 0 && !reconnect && !FInProcessError) {
      FInProcessError = true;
      try {
        Disconnect();
      } catch (...) {
      }
      FInProcessError = false;
    }
  }
  return reconnect;
}

void TCustomDAConnection::StartTransaction() {
  if (!GetConnected()) throw EDatabaseError("One of the connections in the transaction is not active");
  if (FIConnection->GetIsServer41()) {
    FIConnection->ExecStatement(IsolationStatement() + "; BEGIN");
  } else {
    FIConnection->ExecStatement(IsolationStatement());
    FIConnection->ExecStatement("BEGIN");
  }
  FInTransaction = true;
}

void TCustomDAConnection::Commit() {
  if (!GetConnected()) throw EDatabaseError("One of the connections in the transaction is not active");
  FIConnection->ExecStatement("COMMIT");
  FInTransaction = false;
}

void TCustomDAConnection::Rollback() {
  if (!GetConnected()) throw EDatabaseError("One of the connections in the transaction is not active");
  FIConnection->Rollback();
  FInTransaction = false;
}
