#include "wire/MySqlResultSet.h"

#include "wire/MySqlErrors.h"
#include "wire/MySqlSession.h"

#include <algorithm>

TMySqlResultSet::TMySqlResultSet(TMySqlSession& session, std::vector<TMySqlFieldInfo> fields)
    : FSession(&session), FFields(std::move(fields)) {
  FBinds.Slots.resize(FFields.size());
}

TMySqlResultSet::~TMySqlResultSet() {
  if (FSession && FSession->FResultSet == this) FSession->FResultSet = nullptr;
}

std::vector<TMySqlFieldInfo> TMySqlResultSet::ReadFieldsInfo(TMySqlSession& session, std::uint64_t count) {
  TMySqlNet& net = session.net;
  const bool protocol41 = session.Getprotocol41();
  const bool longFlag = (session.serverCapabilities & CLIENT_LONG_FLAG) != 0;
  std::vector<TMySqlFieldInfo> fields;
  fields.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, 4096)));
  for (;;) {
    net.ReceiveRow();
    const auto message = net.GetRow();
    if (IsEndPacket(message)) {
      session.KeepEndStatus(ParseEndPacket(message));
      break;
    }
    if (fields.size() < count) fields.push_back(ParseFieldInfo(message, protocol41, longFlag));
  }
  if (fields.size() < count) throw EMySqlException(CR_MALFORMED_PACKET);
  return fields;
}

bool TMySqlResultSet::Fetch() {
  if (FEof || !FSession) return false;
  try {
    FSession->net.ReceiveRow();
    const auto message = FSession->net.GetRow();
    if (IsEndPacket(message)) {
      ReadStatus(message);
      FSession->status = msReady;
      FEof = true;
      return false;
    }
    LocateRowValues(message, FBinds.Slots);
    FBinds.Row = message;
    return true;
  } catch (...) {
    // No end packet follows a failure: the rows are over.
    FEof = true;
    FBinds.Row = {};
    throw;
  }
}

void TMySqlResultSet::ReadStatus(std::span<const std::uint8_t> endPacket) {
  FSession->KeepEndStatus(ParseEndPacket(endPacket));
}
