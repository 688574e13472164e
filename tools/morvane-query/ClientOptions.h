#pragma once
// What the command line and the option files asked morvane-query to do.
#include "tools/morvane-query/QueryRunner.h"

#include <string>
#include <vector>

enum class TLayout { Batch, Table, Vertical, Html, Xml };

struct TClientOptions {
  TQueryLogin Login;
  // The reference client's encryption switches; they set the mode only when --ssl-mode is not given.
  bool SslModeGiven = false;
  bool SkipSsl = false;
  bool VerifyServerCert = false;
  bool AskPassword = false;  // -p or --password without a value: asked on the terminal
  bool PasswordGiven = false;

  // Statements given on the command line (-e, and operands after the database name), run in turn
  // instead of standard input.
  std::vector<std::string> Scripts;
  bool Execute = false;  // -e was given
  std::string Delimiter = ";";

  TLayout Layout = TLayout::Batch;
  bool ColumnNames = true;
  int Silent = 0;  // how often -s was given
  bool Raw = false;
  bool BinaryAsHex = false;
  bool Force = false;
  bool PrintQueryOnError = true;  // the failing statement between dashed lines
  bool AbortSourceOnError = false;
  bool ShowWarnings = false;
  bool Quick = false;       // rows printed as they arrive, not once the result set is whole
  bool Comments = false;    // comments go to the server with the statements
  bool BinaryMode = false;  // NUL and carriage returns kept in statements, no client commands but DELIMITER and \C
  int EchoLevel = 0;        // -v: statements echoed; -vv: and their outcome; -vvv: and the time taken
  std::string Tee;          // without a terminal the file is named and created, nothing written to it

  // Sent after the login: --init-command, and the limits of --safe-updates.
  std::string InitCommand;
  bool SafeUpdates = false;
  std::string SelectLimit = "1000";
  std::string MaxJoinSize = "1000000";
  bool LocalInfile = false;  // LOAD DATA LOCAL may send the file the statement names

  bool Dataset = false;
  bool Fields = false;
  bool Verbose = false;
  bool Help = false;
  bool Version = false;
};
