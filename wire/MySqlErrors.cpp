#include "wire/MySqlErrors.h"

const std::array<std::string_view, MaxError - MinError + 1> ClientErrors = {
    "Unknown MySQL error",
    "Can't create UNIX socket (%d)",
    "Can't connect to local MySQL server through socket '%-.64s' (%d)",
    "Can't connect to MySQL server on '%s' (%d)",
    "Can't create TCP/IP socket (%d)",
    "Unknown MySQL Server Host '%-.64s' (%d)",
    "MySQL server has gone away",
    "Protocol mismatch. Server Version = %d Client Version = %d",
    "MySQL client run out of memory",
    "Wrong host info",
    "Localhost via UNIX socket",
    "%-.64s via TCP/IP",
    "Error in server handshake",
    "Lost connection to MySQL server during query",
    "Commands out of sync;  You can't run this command now",
    "%-.64s via named pipe",
    "Can't wait for named pipe to host: %s  pipe: %s (%s)",
    "Can't open named pipe to host: %s  pipe: %s (%s)",
    "Can't set state of named pipe to host: %s  pipe: %s (%s)",
    "Can't initialize character set %s (path: %s)",
    "Got packet bigger than 'max_allowed_packet'",
    "Embedded server",
    "Error on SHOW SLAVE STATUS:",
    "Error on SHOW SLAVE HOSTS:",
    "Error connecting to slave:",
    "Error connecting to master:",
    "SSL connection error",
    "Malformed packet",
    "Invalid use of null pointer",
    "Statement not prepared",
    "Not all parameters data supplied",
    "Data truncated",
    "No parameters exists in the statement",
    "Invalid parameter number",
    "Can't send long data for non string or binary data types (parameter: %s)",
    "Using unsupported buffer type: %s  (parameter: %s)",
    "Shared memory (%s)",
    "Can't open shared memory. Request event don't create  (%s)",
    "Can't open shared memory. Answer event don't create  (%s)",
    "Can't open shared memory. File mapping don't create  (%s)",
    "Can't open shared memory. Map of memory don't create  (%s)",
    "Can't open shared memory. File mapping don't create for client (%s)",
    "Can't open shared memory. Map of memory don't create for client (%s)",
    "Can't open shared memory. %s event don't create for client (%s)",
    "Can't open shared memory. Server abandoded and don't sent the answer event (%s)",
    "Can't open shared memory. Can't send the request event to server (%s)",
    "Wrong or unknown protocol",
    "Invalid connection handle",
};

std::string_view GetError(int code) {
  if (code < MinError || code > MaxError) return {};
  return ClientErrors[static_cast<std::size_t>(code - MinError)];
}

namespace {

std::string ComposeMessage(int code, const TFormatArgs& args, const std::string& detail) {
  std::string text = FormatTemplate(GetError(code), args);
  if (detail.empty()) return text;
  // A failed connect is best told by the transport's own text.
  if (code == CR_CONNECTION_ERROR || code == CR_CONN_HOST_ERROR) return detail;
  return text + "\r\n" + detail;
}

}  // namespace

EMySqlException::EMySqlException(int code) : std::runtime_error(std::string(GetError(code))), FErrorCode(code) {}

EMySqlException::EMySqlException(int code, const std::string& detail) : EMySqlException(code, TFormatArgs{}, detail) {}

EMySqlException::EMySqlException(int code, const TFormatArgs& args, const std::string& detail)
    : std::runtime_error(ComposeMessage(code, args, detail)), FErrorCode(code) {}
