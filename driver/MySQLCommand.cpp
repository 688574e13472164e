#include "driver/MySQLCommand.h"

#include "dataset/DAError.h"
#include "driver/MySQLConnection.h"
#include "platform/AnsiText.h"

TMySQLCommand::~TMySQLCommand() {
  try {
    FreeResult();
  } catch (...) {
  }
}

void TMySQLCommand::FreeResult() {
  if (!FSQLResult) return;
  TMySqlResultSet* result = FSQLResult;
  FSQLResult = nullptr;
  TMySQLAPIDirect& api = TMySQLConnection::API();
  api.mysql_free_result(result);
  // The results after it (a procedure's status, further statements) are read as well, so that
  // the next command finds the session in step.
  if (TMySqlSession* session = FConnection.Session(); session && api.mysql_more_results(session))
    WalkRemainingResults();
}

void TMySQLCommand::Execute() {
  FreeResult();
  {
    std::lock_guard lock(FBreakExecCS);
    FExecuting = true;
    FWaitForBreak = false;
  }
  try {
    Run();
  } catch (...) {
    bool breakAwaited;
    {
      std::lock_guard lock(FBreakExecCS);
      FExecuting = false;
      breakAwaited = FWaitForBreak;
    }
    if (breakAwaited) throw EAbort();
    throw;
  }
  std::lock_guard lock(FBreakExecCS);
  FExecuting = false;
}

void TMySQLCommand::Run() {
  TMySQLAPIDirect& api = TMySQLConnection::API();
  TMySqlSession* session = FConnection.Session();
  if (!session) throw EMyError(2006, "MySQL server has gone away", Component);
  api.SetTimeout(session, CommandTimeout);
  if (OnExecute) OnExecute(SQL);
  // Whether the session was as logged in is decided before this statement: a statement a node
  // refused changed nothing.
  const bool asLoggedIn = FConnection.SessionAsLoggedIn();
  if (!OwnStatement) FConnection.SessionStateMayHaveChanged(SQL);
  FRowsAffected = 0;
  const std::string encoded = !SQLEncoded && FConnection.SpeaksAnsi() ? Utf8ToAnsi(SQL) : std::string();
  const std::string& text = encoded.empty() ? SQL : encoded;
  if (api.mysql_real_query(session, text) != 0) {
    bool breakAwaited;
    {
      std::lock_guard lock(FBreakExecCS);
      breakAwaited = FWaitForBreak;
    }
    if (breakAwaited) throw EAbort();  // the killed statement: no error processing
    // The statement did not run on a node that is not ready: it goes once to the next host, when
    // the session holds nothing a new one would lack.
    if (!asLoggedIn || !FConnection.MovedOffNodeNotReady()) FConnection.MySQLError(Component);
    if (!OwnStatement) FConnection.SessionStateMayHaveChanged(SQL);
    session = FConnection.Session();
    api.SetTimeout(session, CommandTimeout);
    if (api.mysql_real_query(session, text) != 0) FConnection.MySQLError(Component);
  }
  FRowsAffected = api.mysql_affected_rows(session);
  FLastInsertId = api.mysql_insert_id(session);
  bool hasColumns = api.mysql_field_count(session) != 0;
  if (!RequestResultset) {
    if (TMySqlResultSet* result = api.mysql_use_result(session))
      api.mysql_free_result(result);
    else if (hasColumns)
      FConnection.MySQLError(Component);
    WalkRemainingResults();
    return;
  }
  FSQLResult = hasColumns ? api.mysql_use_result(session) : nullptr;
  if (hasColumns && !FSQLResult) FConnection.MySQLError(Component);
  while (!FSQLResult && api.mysql_more_results(session)) {
    int next = api.mysql_next_result(session);
    if (next > 0) FConnection.MySQLError(Component);
    if (next < 0) break;
    std::int64_t affected = api.mysql_affected_rows(session);
    if (affected > 0) FRowsAffected += affected;
    if (api.mysql_field_count(session) != 0) {
      FSQLResult = api.mysql_use_result(session);
      if (!FSQLResult) FConnection.MySQLError(Component);
    }
  }
}

void TMySQLCommand::WalkRemainingResults() {
  TMySQLAPIDirect& api = TMySQLConnection::API();
  TMySqlSession* session = FConnection.Session();
  for (;;) {
    int next = api.mysql_next_result(session);
    if (next < 0) return;
    if (next > 0) FConnection.MySQLError(Component);
    if (TMySqlResultSet* result = api.mysql_use_result(session)) api.mysql_free_result(result);
  }
}

void TMySQLCommand::BreakExec() {
  std::lock_guard lock(FBreakExecCS);
  if (!FExecuting) return;
  FWaitForBreak = true;
  try {
    TMySQLConnection killer;
    killer.AssignLogin(FConnection);
    killer.Connect({});
    killer.ExecStatement("KILL " + std::to_string(FConnection.GetThreadId()));
  } catch (...) {
    // The statement may have ended meanwhile, or the second login failed: nothing to cancel.
  }
}
