#pragma once
// The protocol client's exception and the client error message table.
#include "wire/MessageFormat.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

constexpr int MinError = 2000;
constexpr int MaxError = 2047;

// Client error codes this client raises itself.
constexpr int CR_UNKNOWN_ERROR = 2000;
constexpr int CR_CONNECTION_ERROR = 2002;
constexpr int CR_CONN_HOST_ERROR = 2003;
constexpr int CR_UNKNOWN_HOST = 2005;
constexpr int CR_SERVER_GONE_ERROR = 2006;
constexpr int CR_LOCALHOST_CONNECTION = 2010;
constexpr int CR_SERVER_HANDSHAKE_ERR = 2012;
constexpr int CR_VERSION_ERROR = 2007;
constexpr int CR_SERVER_LOST = 2013;
constexpr int CR_COMMANDS_OUT_OF_SYNC = 2014;
constexpr int CR_NET_PACKET_TOO_LARGE = 2020;
constexpr int CR_SSL_CONNECTION_ERROR = 2026;
constexpr int CR_MALFORMED_PACKET = 2027;
constexpr int CR_WRONG_PROTOCOL = 2046;
// Outside the table: a file request of the server that this session refused.
constexpr int CR_LOAD_DATA_LOCAL_INFILE_REJECTED = 2068;
// Outside the table: a login method this client does not know or will not use here.
constexpr int CR_AUTH_PLUGIN_CANNOT_LOAD = 2059;
// Outside the table: a login method that could not compute its answer.
constexpr int CR_AUTH_PLUGIN_ERR = 2061;

// Server codes raised by the packet layer.
constexpr int ER_NET_PACKETS_OUT_OF_ORDER = 1156;
constexpr int ER_NET_UNCOMPRESS_ERROR = 1157;

extern const std::array<std::string_view, MaxError - MinError + 1> ClientErrors;

// The template of a client error code, empty for codes outside 2000..2047.
std::string_view GetError(int code);

class EMySqlException : public std::runtime_error {
 public:
  // Message = the code's template as it is, placeholders unformatted.
  explicit EMySqlException(int code);
  EMySqlException(int code, const std::string& detail);
  // The template formatted with args; a non-empty detail follows on a new line, or, for 2002 and
  // 2003 (failed connects), replaces the text.
  EMySqlException(int code, const TFormatArgs& args, const std::string& detail);

  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};
