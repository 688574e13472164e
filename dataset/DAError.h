#pragma once
// The database errors: EDAError with its lost-reply flags, and EMyError for the MySQL session.
#include "dataset/Exceptions.h"

class TComponent;

// Base of all database errors: a server or client error number with its message.
class EDAError : public EDatabaseError {
 public:
  EDAError(int errorCode, const std::string& message) : EDatabaseError(message), ErrorCode(errorCode) {}
  virtual bool IsFatalError() const { return false; }
  virtual bool IsKeyViolation() const { return false; }
  int ErrorCode;
  // The statement reached the server and its reply was lost: it may have run. A change it made
  // must be checked before the statement is sent again.
  bool StatementMayHaveRun = false;
  // The statement was refused before any of it was sent (too long): the session is in step.
  bool RefusedBeforeSending = false;
  // The reply did not come within the command time-out.
  bool TimedOut = false;
  // ... and the statement could not be ended on the server: it may still run and store its row
  // after anything looked it up.
  bool StatementMayStillRun = false;
};

// A MySQL error, with the dataset or command the session worked for.
class EMyError : public EDAError {
 public:
  EMyError(int errorCode, const std::string& message, TComponent* component = nullptr);
  bool IsFatalError() const override;
  bool IsKeyViolation() const override;
  TComponent* Component;
  int LineNumber = 0;  // for syntax errors (1064): the last number in the message
};
