#pragma once
// The database-independent connection component: login settings, connect, errors, transactions.
#include "components/CustomConnection.h"
#include "dataset/CRAccess.h"
#include "dataset/DAError.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The database-independent connection component: login settings, the connect and disconnect
// sequences, error processing with the reconnect decision, and transactions.
class TCustomDAConnection : public TCustomConnection {
 public:
  ~TCustomDAConnection() override;

  const std::string& Server() const { return FServer; }
  const std::string& Username() const { return FUsername; }
  const std::string& Password() const { return FPassword; }
  // A different text disconnects first (with events); the same text changes nothing.
  void SetServer(const std::string& value);
  void SetUsername(const std::string& value);
  void SetPassword(const std::string& value);
  bool LoginPrompt = true;
  bool Pooling = false;

  std::function<void(TCustomDAConnection&, std::vector<std::string>& loginParams)> OnLogin;
  std::function<void(TCustomDAConnection&, const EDAError&, bool& fail)> OnError;

  void SetConnected(bool value) override;
  void Connect() { SetConnected(true); }
  void Disconnect() { SetConnected(false); }

  // "SERVER=...", "USERNAME=...", "PASSWORD=..."
  std::vector<std::string> GetLoginParams() const;
  void SetLoginParams(const std::vector<std::string>& params);

  // Usage counting by datasets: connects when needed; never disconnects with default options.
  void InternalConnect();
  void InternalDisconnect();

  void StartTransaction();
  void Commit();
  void Rollback();
  // Begun here with StartTransaction, or by a statement, as the server last reported.
  bool InTransaction() const { return FInTransaction || (FIConnection && FIConnection->GetInTransaction()); }

  // The session's error callback: tells OnError, closes the component after a fatal error it
  // cannot repair, and answers whether the session is to reconnect.
  bool DoError(EMyError& error, bool& fail, int attempt);

  TCRConnection* IConnection() const { return FIConnection.get(); }

 protected:
  bool GetConnected() const override;
  void DoConnect() override;
  void DoDisconnect() override;
  virtual std::unique_ptr<TCRConnection> CreateIConnection() = 0;
  virtual std::string IsolationStatement() const = 0;
  // Throws "Cannot perform this operation on an open connection" when connected.
  void CheckInactive() const;
  bool DisconnectedMode = false;

 private:
  void PerformConnect();
  // The disconnect sequence with its events, also for a session already found dead.
  void PerformDisconnect();
  void InstallCallbacks();
  // No transaction and no dataset with rows pending: a session on another host loses nothing.
  bool SessionMayBeReplaced() const;
  std::unique_ptr<TCRConnection> FIConnection;
  std::string FServer, FUsername, FPassword;
  int FConnectCount = 0;
  bool FShouldShowPrompt = true;
  bool FInProcessError = false;
  bool FInTransaction = false;
};
