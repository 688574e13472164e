#include "tools/morvane-query/ErrorReport.h"

#include "wire/MySqlErrors.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

// The client's own error numbers run from 2000 up to here.
constexpr int LastClientError = 3000;

// The protocol client's own messages may run over several lines; a script's log wants one per
// error. The server's are left as they are: they quote the statement.
std::string OneLine(const TQueryError& error) {
  const std::string& message = error.Message;
  if (error.Code < CR_UNKNOWN_ERROR || error.Code >= LastClientError) return message;
  std::string line;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
    line += message[i] == '\n' || message[i] == '\r' ? ' ' : message[i];
  }
  return line;
}

// The number after "Socket Error Code: " in the protocol client's message, if there is one.
std::optional<int> SocketErrorCode(const std::string& message) {
  constexpr std::string_view Label = "Socket Error Code: ";
  const std::size_t at = message.find(Label);
  if (at == std::string::npos) return std::nullopt;
  return std::atoi(message.c_str() + at + Label.size());
}

// The text between the first pair of single quotes.
std::string Quoted(const std::string& message) {
  const std::size_t open = message.find('\'');
  const std::size_t close = open == std::string::npos ? open : message.find('\'', open + 1);
  return close == std::string::npos ? std::string() : message.substr(open + 1, close - open - 1);
}

// Failures of the connection in the reference client's numbers and words, which scripts test:
// 2002 for a refused connection, 2005 for an unknown host, 2013 for one lost. A host list keeps
// its own message, which says how many hosts were tried.
TQueryError InClientWords(TQueryError error) {
  if (error.Code == CR_SERVER_LOST) error.Message = "Lost connection to server during query";
  const std::optional<int> code = SocketErrorCode(error.Message);
  if (error.Code != CR_CONN_HOST_ERROR || !code || error.Message.find("Hosts tried") != std::string::npos) return error;
  const std::string host = Quoted(error.Message);
  if (error.Message.rfind("Unknown host", 0) == 0) {
    error.Code = CR_UNKNOWN_HOST;
    error.Message = "Unknown server host '" + host + "' (-" + std::to_string(*code) + ")";
  } else if (error.Message.rfind("Cannot connect to server on host", 0) == 0) {
    error.Code = CR_CONNECTION_ERROR;
    error.Message = "Can't connect to server on '" + host + "' (" + std::to_string(*code) + ")";
  }
  return error;
}

std::string Where(TScriptPlace place) {
  std::string where = "at line " + std::to_string(place.Line);
  if (place.File) where += " in file: '" + *place.File + "'";
  return where;
}

}  // namespace

void ReportLoginError(const TQueryError& failure) {
  const TQueryError error = InClientWords(failure);
  std::fflush(stdout);
  std::fprintf(stderr, "ERROR %d (%s): %s\n", error.Code, error.SqlState.c_str(), OneLine(error).c_str());
}

void ReportStatementError(const TQueryError& failure, const std::string* statement, TScriptPlace place) {
  const TQueryError error = InClientWords(failure);
  std::fflush(stdout);
  if (statement) std::fprintf(stderr, "--------------\n%s\n--------------\n\n", statement->c_str());
  std::fprintf(stderr, "ERROR %d (%s) %s: %s\n", error.Code, error.SqlState.c_str(), Where(place).c_str(),
               OneLine(error).c_str());
}

void ReportScriptError(const std::string& message, TScriptPlace place) {
  std::fflush(stdout);
  // Before the first statement of a file the reference client names no place.
  if (place.Line == 0)
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
  else
    std::fprintf(stderr, "ERROR %s: %s\n", Where(place).c_str(), message.c_str());
}
