#pragma once
// One statement run on a MySQL connection object: time-out, results, cancelling, errors.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class TComponent;
class TMySQLConnection;
class TMySqlResultSet;

// Runs one statement on a connection object: time-out, result walking, cancelling from another
// thread, errors handed up as EMyError.
class TMySQLCommand {
 public:
  explicit TMySQLCommand(TMySQLConnection& connection) : FConnection(connection) {}
  TMySQLCommand(const TMySQLCommand&) = delete;
  TMySQLCommand& operator=(const TMySQLCommand&) = delete;
  ~TMySQLCommand();

  std::string SQL;          // UTF-8 text, sent in the session's code page
  bool SQLEncoded = false;  // SQL is in the session's code page already
  int CommandTimeout = 0;   // seconds; 0: a year
  bool RequestResultset = false;
  // The component's own statement, which changes neither the database nor the sql_mode.
  bool OwnStatement = false;
  TComponent* Component = nullptr;  // named in errors
  std::function<void(const std::string&)> OnExecute;

  void Execute();
  // Called from another thread while Execute runs: kills the statement through a second
  // connection; Execute then ends in a silent abort.
  void BreakExec();

  std::int64_t RowsAffected() const { return FRowsAffected; }
  std::uint64_t LastInsertId() const { return FLastInsertId; }
  TMySqlResultSet* SQLResult() const { return FSQLResult; }
  // Frees the pending result, reading and dropping what is left of it.
  void FreeResult();
  TMySQLConnection& Connection() const { return FConnection; }

 private:
  void WalkRemainingResults();
  void Run();
  TMySQLConnection& FConnection;
  std::int64_t FRowsAffected = 0;
  std::uint64_t FLastInsertId = 0;
  TMySqlResultSet* FSQLResult = nullptr;
  std::mutex FBreakExecCS;
  bool FExecuting = false;
  bool FWaitForBreak = false;
};
