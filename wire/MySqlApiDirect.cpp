#include "wire/MySqlApiDirect.h"

#include "wire/MySqlErrors.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t MaxFieldLength = 65535;

EMySqlException OutOfSync(const TMySqlSession* session) {
  return EMySqlException(CR_COMMANDS_OUT_OF_SYNC, "mysql.status = " + std::to_string(session->status));
}

bool IsStringType(std::uint8_t type) {
  return type == MYSQL_TYPE_VARCHAR || type == MYSQL_TYPE_ENUM || type == MYSQL_TYPE_SET ||
         type == MYSQL_TYPE_VAR_STRING || type == MYSQL_TYPE_STRING;
}

}  // namespace

template <class TResult, class TBody>
TResult TMySQLAPIDirect::Guarded(TMySqlSession* session, TResult failure, TBody body) {
  session->Ferrno = 0;
  session->Ferror.clear();
  try {
    return body();
  } catch (const EMySqlException& e) {
    session->Ferrno = e.ErrorCode();
    session->Ferror = e.what();
    return failure;
  }
}

void TMySQLAPIDirect::CheckMySQLLib() {
  FClientKind = TMySqlClientVersion::cvDirect;
}

TMySqlSession* TMySQLAPIDirect::mysql_init() {
  return new TMySqlSession();
}

int TMySQLAPIDirect::mysql_options(TMySqlSession* session, TMySqlOption option, int value) {
  switch (option) {
    case MYSQL_OPT_CONNECT_TIMEOUT:
      session->connectTimeout = value;
      break;
    case MYSQL_OPT_NAMED_PIPE:
      session->protocolType = MYSQL_PROTOCOL_PIPE;
      break;
    case MYSQL_OPT_PROTOCOL:
      session->protocolType = static_cast<MYSQL_PROTOCOL_TYPE>(value);
      break;
    case MYSQL_OPT_READ_TIMEOUT:
    case MYSQL_OPT_WRITE_TIMEOUT:
      session->commandTimeout = value;
      break;
    case MYSQL_OPT_LOCAL_INFILE:
      session->localInfile = value != 0;
      break;
    default:
      break;
  }
  return 0;
}

int TMySQLAPIDirect::mysql_options(TMySqlSession* session, TMySqlOption option, const std::string& value) {
  if (option == MYSQL_SET_CHARSET_NAME) session->charset = value;
  return 0;
}

TMySqlSession* TMySQLAPIDirect::mysql_real_connect(TMySqlSession* session, const std::string& host,
                                                   const std::string& user, const std::string& password,
                                                   const std::string& database, int port, const std::string& socketName,
                                                   std::uint32_t clientFlags) {
  return Guarded(session, static_cast<TMySqlSession*>(nullptr), [&] {
    session->Connect(host, user, password, database, port, socketName, clientFlags);
    return session;
  });
}

void TMySQLAPIDirect::mysql_close(TMySqlSession* session) {
  if (!session) return;
  session->Logout();
  delete session;
}

void TMySQLAPIDirect::SetTimeout(TMySqlSession* session, int seconds) {
  const int value = seconds == 0 ? NoCommandTimeout : seconds;
  mysql_options(session, MYSQL_OPT_READ_TIMEOUT, value);
  mysql_options(session, MYSQL_OPT_WRITE_TIMEOUT, value);
}

int TMySQLAPIDirect::mysql_real_query(TMySqlSession* session, const void* bytes, std::size_t length) {
  Guarded(session, 0, [&] {
    {
      std::lock_guard<std::mutex> lock(FQueryBufferCS);
      session->SimpleCommand(TServerCommand::scQuery, {static_cast<const std::uint8_t*>(bytes), length}, true);
    }
    session->ReadQueryResult();
    return 0;
  });
  return session->Ferrno;
}

TMySqlResultSet* TMySQLAPIDirect::mysql_use_result(TMySqlSession* session) {
  return Guarded(session, static_cast<TMySqlResultSet*>(nullptr), [&]() -> TMySqlResultSet* {
    if (session->fieldCount == 0) return nullptr;
    if (session->status != msGetResult) throw OutOfSync(session);
    auto* result = new TMySqlResultSet(*session, std::move(session->fields));
    session->fields.clear();
    session->FResultSet = result;
    session->status = msUseResult;
    return result;
  });
}

const TMySqlBinds* TMySQLAPIDirect::mysql_fetch_row(TMySqlResultSet* result) {
  TMySqlSession* session = result->Session();
  if (!session) return nullptr;
  return Guarded(session, static_cast<const TMySqlBinds*>(nullptr), [&]() -> const TMySqlBinds* {
    try {
      return result->Fetch() ? &result->Binds() : nullptr;
    } catch (const EMySqlException&) {
      // Nothing follows a failure, not even the further results the last status announced.
      session->serverStatus &= ~SERVER_MORE_RESULTS_EXISTS;
      session->status = msReady;
      throw;
    }
  });
}

void TMySQLAPIDirect::_mysql_fetch_lengths(const TMySqlResultSet* result, std::vector<std::uint32_t>& lengths) const {
  const auto& slots = result->Binds().Slots;
  lengths.resize(slots.size());
  for (std::size_t i = 0; i < slots.size(); ++i) lengths[i] = slots[i].Length;
}

bool TMySQLAPIDirect::_mysql_fetch_value_is_null(const TMySqlResultSet* result, std::size_t i) const {
  return result->Binds().Slots.at(i).IsNull;
}

const std::uint8_t* TMySQLAPIDirect::_mysql_fetch_value_ptr(const TMySqlResultSet* result, std::size_t i) const {
  const TMySqlBinds& binds = result->Binds();
  return binds.Row.data() + binds.Slots.at(i).Offset;
}

std::string TMySQLAPIDirect::_mysql_fetch_value_str(const TMySqlResultSet* result, std::size_t i) const {
  return std::string(result->Binds().Value(i));
}

std::size_t TMySQLAPIDirect::_mysql_fetch_value_to_buff(const TMySqlResultSet* result, std::size_t i, void* dest,
                                                        std::size_t capacity) const {
  const std::string_view value = result->Binds().Value(i);
  const std::size_t n = std::min(value.size(), capacity);
  if (n > 0) std::memcpy(dest, value.data(), n);
  return n;
}

std::size_t TMySQLAPIDirect::_mysql_fetch_value_to_str(const TMySqlResultSet* result, std::size_t i, char* dest,
                                                       std::size_t capacity) const {
  if (capacity == 0) return 0;
  const std::size_t n = _mysql_fetch_value_to_buff(result, i, dest, capacity - 1);
  dest[n] = '\0';
  return n;
}

void TMySQLAPIDirect::mysql_free_result(TMySqlResultSet* result) {
  if (!result) return;
  if (TMySqlSession* session = result->Session()) {
    try {
      session->FreeQuery();
    } catch (const EMySqlException&) {
    }
    session->FResultSet = nullptr;
  }
  delete result;
}

void TMySQLAPIDirect::_mysql_fetch_field_direct(const TMySqlResultSet* result, std::size_t i, TMYSQL_FIELD& description,
                                                bool unicode) const {
  const TMySqlFieldInfo& field = result->Fields().at(i);
  description.Name = field.Name;
  description.OrgName = field.OrgName.empty() ? field.Name : field.OrgName;
  description.Table = field.Table;
  description.OrgTable = field.OrgTable;
  description.Database = field.Database;
  description.Flags = field.Flags;
  description.MyType = field.MyType;
  description.Decimals = field.Scale;
  description.CharsetNr = field.CharsetNr;
  description.LengthInBytes = std::min(field.Length, MaxFieldLength);
  const TMySqlSession* session = result->Session();
  const bool protocol41 = session && session->Getprotocol41();
  // Old servers count characters; a UTF-8 character takes up to three bytes.
  if (unicode && !protocol41 && !field.Table.empty() && IsStringType(field.MyType)) description.LengthInBytes *= 3;
}

int TMySQLAPIDirect::mysql_next_result(TMySqlSession* session) {
  const int next = Guarded(session, 0, [&] {
    if (session->status != msReady) throw OutOfSync(session);
    session->affectedRows = -1;
    if (!(session->serverStatus & SERVER_MORE_RESULTS_EXISTS)) return -1;
    session->ReadQueryResult();
    return 0;
  });
  return session->Ferrno != 0 ? session->Ferrno : next;
}

int TMySQLAPIDirect::mysql_select_db(TMySqlSession* session, const std::string& name) {
  Guarded(session, 0, [&] {
    session->SelectDb(name);
    return 0;
  });
  return session->Ferrno;
}

int TMySQLAPIDirect::mysql_ping(TMySqlSession* session) {
  Guarded(session, 0, [&] {
    session->Ping();
    return 0;
  });
  return session->Ferrno;
}

int TMySQLAPIDirect::mysql_kill(TMySqlSession* session, std::uint32_t id) {
  Guarded(session, 0, [&] {
    session->ProcessKill(id);
    return 0;
  });
  return session->Ferrno;
}

std::string TMySQLAPIDirect::mysql_stat(TMySqlSession* session) {
  return Guarded(session, std::string(), [&] { return session->Statistics(); });
}
