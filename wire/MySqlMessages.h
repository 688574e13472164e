#pragma once
// Decoding of the server's messages, callable on a byte buffer without a connection.
#include "wire/MySqlReader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TMySqlGreeting {
  std::uint8_t ProtocolVersion = 0;
  std::string ServerVersion;
  std::uint32_t ThreadId = 0;
  std::array<std::uint8_t, 20> Scramble{};
  bool ScrambleComplete = false;  // all 20 bytes were sent, not only the first 8
  std::uint32_t ServerCapabilities = 0;
  std::uint8_t ServerLanguage = 0;
  bool HasStatus = false;
  int ServerStatus = 0;
  std::string AuthPluginName;  // with CLIENT_PLUGIN_AUTH only
};

// Raises 2007 for a protocol version other than 10 and 2027 for a greeting cut short.
TMySqlGreeting ParseGreeting(std::span<const std::uint8_t> message);

// The server asks for another login method (first byte 254): its name and its challenge.
struct TMySqlAuthSwitch {
  std::string PluginName;
  std::vector<std::uint8_t> Data;
};

TMySqlAuthSwitch ParseAuthSwitch(std::span<const std::uint8_t> message);

struct TMySqlServerError {
  int Code = 0;
  std::string Message;
};

// An error packet (first byte 255): the code and the text, SQL state marker included.
TMySqlServerError ParseErrorPacket(std::span<const std::uint8_t> message);

struct TMySqlOkPacket {
  std::uint64_t AffectedRows = 0;
  std::uint64_t InsertId = 0;
  bool HasStatus = false;
  int ServerStatus = 0;
  int WarningCount = 0;
  std::string Info;
};

// The rest of an OK packet, read after its column count of 0. The message text is length-prefixed
// in the 4.1 protocol and runs to a zero byte or the end before it.
TMySqlOkPacket ParseOkPacket(TMySqlReader& reader, bool protocol41, bool withStatus);

// End of column definitions or rows: at most 8 bytes, the first one 254.
inline bool IsEndPacket(std::span<const std::uint8_t> message) {
  return !message.empty() && message.size() <= 8 && message[0] == 254;
}

struct TMySqlEndPacket {
  int WarningCount = 0;
  int ServerStatus = 0;
  bool HasStatus = false;
};

TMySqlEndPacket ParseEndPacket(std::span<const std::uint8_t> message);

struct TMySqlFieldInfo {
  std::string Name;
  std::string OrgName;
  std::string Table;
  std::string OrgTable;
  std::string Database;
  std::string DefaultValue;
  std::uint32_t Length = 0;
  int Scale = 0;
  std::uint32_t MaxLength = 0;
  std::uint32_t Flags = 0;
  int CharsetNr = 0;
  std::uint8_t MyType = 0;
};

TMySqlFieldInfo ParseFieldInfo(std::span<const std::uint8_t> message, bool protocol41, bool longFlag);

// One value of a text row, located in place in the row message.
struct TMySqlBind {
  bool IsNull = false;
  std::uint32_t Offset = 0;
  std::uint32_t Length = 0;
};

// Locates the values of a text row, one per slot. A value that runs past the message, a row with
// fewer values than slots and the length prefix 255 raise 2027.
void LocateRowValues(std::span<const std::uint8_t> message, std::span<TMySqlBind> slots);
