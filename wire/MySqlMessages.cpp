#include "wire/MySqlMessages.h"

#include "wire/MySqlConsts.h"
#include "wire/MySqlErrors.h"

#include <algorithm>

TMySqlGreeting ParseGreeting(std::span<const std::uint8_t> message) {
  TMySqlReader reader(message);
  TMySqlGreeting greeting;
  // protocol version [1 byte]
  greeting.ProtocolVersion = reader.ReadByte();
  if (greeting.ProtocolVersion != PROTOCOL_VERSION)
    throw EMySqlException(CR_VERSION_ERROR, {std::int64_t{greeting.ProtocolVersion}, std::int64_t{PROTOCOL_VERSION}},
                          "");
  // server version [zero-terminated]
  greeting.ServerVersion = reader.ReadString();
  // thread id [4 bytes]
  greeting.ThreadId = static_cast<std::uint32_t>(reader.ReadInt32());
  // auth-plugin-data-part-1 [8 bytes]: the first part of the scramble
  reader.ReadBytes(greeting.Scramble.data(), 8);

  // After auth-plugin-data-part-1: filler [1 byte], capability_flags_1 [2 bytes], character_set
  // [1 byte], status_flags [2 bytes], capability_flags_2 [2 bytes], auth_plugin_data_len [1 byte],
  // reserved [10 bytes], auth-plugin-data-part-2 [max(13, auth_plugin_data_len - 8) bytes, the last
  // a zero] and auth_plugin_name [zero-terminated]. Old servers end the greeting early, so each
  // field is read only when the message reaches it.
  const std::size_t fillerAt = reader.Position();
  const std::size_t capabilitiesAt = fillerAt + 1;
  const std::size_t characterSetAt = capabilitiesAt + 2;
  const std::size_t upperCapabilitiesAt = characterSetAt + 1 + 2;
  const std::size_t scrambleLengthAt = upperCapabilitiesAt + 2;
  const std::size_t secondScrambleAt = scrambleLengthAt + 1 + 10;
  const std::size_t length = reader.Length();
  if (length > capabilitiesAt + 1) {
    reader.SetPosition(capabilitiesAt);
    // capability_flags_1 [2 bytes]: the lower half of the server's capability flags
    greeting.ServerCapabilities = reader.ReadUInt16();
  }
  // Old servers may leave out the last reserved byte.
  if (length + 1 >= secondScrambleAt) {
    reader.SetPosition(characterSetAt);
    // character_set [1 byte]
    greeting.ServerLanguage = reader.ReadByte();
    // status_flags [2 bytes]
    greeting.ServerStatus = reader.ReadInt16();
    greeting.HasStatus = true;
  }
  if (length >= secondScrambleAt + 12) {
    reader.SetPosition(upperCapabilitiesAt);
    // capability_flags_2 [2 bytes]: the upper half
    greeting.ServerCapabilities |= std::uint32_t{reader.ReadUInt16()} << 16;
    // auth_plugin_data_len [1 byte]: the length of the whole scramble
    const std::size_t scrambleLength = reader.ReadByte();
    reader.SetPosition(secondScrambleAt);
    // auth-plugin-data-part-2: the 12 bytes that complete the 20-byte scramble
    reader.ReadBytes(greeting.Scramble.data() + 8, 12);
    greeting.ScrambleComplete = true;
    if (greeting.ServerCapabilities & CLIENT_PLUGIN_AUTH) {
      // The second part holds at least 13 bytes, its terminating zero included.
      const std::size_t pluginNameAt = secondScrambleAt + (scrambleLength > 8 + 13 ? scrambleLength - 8 : 13);
      if (pluginNameAt < length) {
        reader.SetPosition(pluginNameAt);
        // auth_plugin_name [zero-terminated]
        greeting.AuthPluginName = reader.ReadString();
      }
    }
  }
  return greeting;
}

TMySqlAuthSwitch ParseAuthSwitch(std::span<const std::uint8_t> message) {
  TMySqlReader reader(message, 1);
  TMySqlAuthSwitch request;
  request.PluginName = reader.ReadString();
  const auto data = reader.ReadSpan(reader.Remaining());
  request.Data.assign(data.begin(), data.end());
  return request;
}

TMySqlServerError ParseErrorPacket(std::span<const std::uint8_t> message) {
  TMySqlReader reader(message);
  if (reader.ReadByte() != 255) throw EMySqlException(CR_MALFORMED_PACKET);
  TMySqlServerError error;
  error.Code = reader.ReadInt16();
  error.Message = reader.ReadString();
  return error;
}

TMySqlOkPacket ParseOkPacket(TMySqlReader& reader, bool protocol41, bool withStatus) {
  TMySqlOkPacket ok;
  ok.AffectedRows = reader.ReadLengthEncodedInteger();
  ok.InsertId = reader.ReadLengthEncodedInteger();
  if (withStatus) {
    ok.ServerStatus = reader.ReadInt16();
    ok.HasStatus = true;
  }
  if (protocol41) ok.WarningCount = reader.ReadUInt16();
  // 4.1 servers send the message with a length prefix; it is not part of the text.
  ok.Info = protocol41 && reader.Remaining() > 0 ? reader.ReadLengthString() : reader.ReadString();
  return ok;
}

TMySqlEndPacket ParseEndPacket(std::span<const std::uint8_t> message) {
  TMySqlReader reader(message, 1);
  TMySqlEndPacket end;
  if (reader.Remaining() >= 2) end.WarningCount = reader.ReadUInt16();
  if (reader.Remaining() >= 2) {
    end.ServerStatus = reader.ReadInt16();
    end.HasStatus = true;
  }
  return end;
}

namespace {

// The bytes of the next length-prefixed item, as a reader of their own.
TMySqlReader NextItem(TMySqlReader& reader) {
  const std::int64_t length = reader.ReadFieldLength();
  if (length <= 0) return TMySqlReader({});
  if (static_cast<std::uint64_t>(length) > reader.Remaining()) throw EMySqlException(CR_MALFORMED_PACKET);
  return TMySqlReader(reader.ReadSpan(static_cast<std::size_t>(length)));
}

bool IsNumField(const TMySqlFieldInfo& field) {
  if (field.MyType == MYSQL_TYPE_YEAR) return true;
  if (field.MyType > MYSQL_TYPE_INT24) return false;
  return field.MyType != MYSQL_TYPE_TIMESTAMP || field.Length == 14 || field.Length == 8;
}

}  // namespace

TMySqlFieldInfo ParseFieldInfo(std::span<const std::uint8_t> message, bool protocol41, bool longFlag) {
  TMySqlReader reader(message);
  TMySqlFieldInfo field;
  if (protocol41) {
    reader.ReadLengthString();  // catalog
    field.Database = reader.ReadLengthString();
    field.Table = reader.ReadLengthString();
    field.OrgTable = reader.ReadLengthString();
    field.Name = reader.ReadLengthString();
    field.OrgName = reader.ReadLengthString();
    TMySqlReader block = NextItem(reader);
    field.CharsetNr = block.ReadUInt16();
    field.Length = static_cast<std::uint32_t>(block.ReadInt32());
    field.MyType = block.ReadByte();
    field.Flags = block.ReadUInt16();
    field.Scale = block.ReadByte();
  } else {
    field.Table = reader.ReadLengthString();
    field.Name = reader.ReadLengthString();
    field.OrgTable = field.Table;
    field.Length = static_cast<std::uint32_t>(NextItem(reader).ReadInt24());
    field.MyType = NextItem(reader).ReadByte();
    TMySqlReader flags = NextItem(reader);
    field.Flags = longFlag ? flags.ReadUInt16() : flags.ReadByte();
    field.Scale = flags.ReadByte();
  }
  if (IsNumField(field)) field.Flags |= NUM_FLAG;
  return field;
}

void LocateRowValues(std::span<const std::uint8_t> message, std::span<TMySqlBind> slots) {
  const std::uint8_t* bytes = message.data();
  const std::size_t size = message.size();
  std::size_t pos = 0;
  auto need = [&](std::size_t count) {
    if (count > size - pos) throw EMySqlException(CR_MALFORMED_PACKET);
  };
  for (TMySqlBind& slot : slots) {
    need(1);
    const std::uint8_t prefix = bytes[pos++];
    std::size_t length;
    if (prefix < 251) {
      length = prefix;
    } else if (prefix == 251) {
      slot = TMySqlBind{true, 0, 0};
      continue;
    } else if (prefix == 252) {
      need(2);
      length = bytes[pos] | std::size_t{bytes[pos + 1]} << 8;
      pos += 2;
    } else if (prefix == 253) {
      need(3);
      length = bytes[pos] | std::size_t{bytes[pos + 1]} << 8 | std::size_t{bytes[pos + 2]} << 16;
      pos += 3;
    } else if (prefix == 254) {
      need(8);
      std::uint64_t wide = 0;
      for (int i = 7; i >= 0; --i) wide = wide << 8 | bytes[pos + static_cast<std::size_t>(i)];
      pos += 8;
      // Checked whole: a length past the message in any of its bytes is malformed.
      if (wide > size - pos) throw EMySqlException(CR_MALFORMED_PACKET);
      length = static_cast<std::size_t>(wide);
    } else {
      throw EMySqlException(CR_MALFORMED_PACKET);
    }
    need(length);
    slot = TMySqlBind{false, static_cast<std::uint32_t>(pos), static_cast<std::uint32_t>(length)};
    pos += length;
  }
}
