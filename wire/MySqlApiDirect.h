#pragma once
// The call interface: operations shaped like the C client library's, over TMySqlSession.
// Each clears the session's error first; an EMySqlException is kept in Ferrno/Ferror and the
// failure value returned. Other exceptions pass through.
#include "wire/MySqlConsts.h"
#include "wire/MySqlField.h"
#include "wire/MySqlResultSet.h"
#include "wire/MySqlSession.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class TMySqlClientVersion { cvNone, cvDirect };

class TMySQLAPIDirect {
 public:
  static constexpr const char* ClientVersion = "8.0.0 Direct";
  // Waiting for a reply "without limit" means a year.
  static constexpr int NoCommandTimeout = 31536000;

  void CheckMySQLLib();
  TMySqlClientVersion ClientKind() const { return FClientKind; }
  std::string mysql_get_client_info() const { return ClientVersion; }

  // Session life and login.
  TMySqlSession* mysql_init();
  int mysql_options(TMySqlSession* session, TMySqlOption option, int value);
  int mysql_options(TMySqlSession* session, TMySqlOption option, const std::string& value);
  TMySqlSession* mysql_real_connect(TMySqlSession* session, const std::string& host, const std::string& user,
                                    const std::string& password, const std::string& database, int port,
                                    const std::string& socketName, std::uint32_t clientFlags);
  // Logs out and frees the session.
  void mysql_close(TMySqlSession* session);
  std::string mysql_get_server_info(const TMySqlSession* session) const { return session->serverVersion; }
  std::string mysql_get_host_info(const TMySqlSession* session) const { return session->hostInfo; }
  std::uint32_t mysql_thread_id(const TMySqlSession* session) const { return session->threadId; }
  int mysql_errno(const TMySqlSession* session) const { return session->Ferrno; }
  std::string mysql_error(const TMySqlSession* session) const { return session->Ferror; }
  // Encryption mode, certificate files and server key file for the next login.
  void SetSecurity(TMySqlSession* session, const TSslSettings& settings) { session->security = settings; }
  // How the connection is protected ("not encrypted" without TLS).
  std::string mysql_get_ssl_description(const TMySqlSession* session) const { return session->SecurityDescription(); }
  // A deadline for the next login and what follows it until it is lifted (Connect's own otherwise).
  void SetDeadline(TMySqlSession* session, const TDeadline& deadline) { session->SetDeadline(deadline); }
  // Command time-out for every following reply; 0 means a year.
  void SetTimeout(TMySqlSession* session, int seconds);

  // Statements and results.
  int mysql_real_query(TMySqlSession* session, const void* bytes, std::size_t length);
  int mysql_real_query(TMySqlSession* session, std::string_view statement) {
    return mysql_real_query(session, statement.data(), statement.size());
  }
  TMySqlResultSet* mysql_use_result(TMySqlSession* session);
  const TMySqlBinds* mysql_fetch_row(TMySqlResultSet* result);
  void _mysql_fetch_lengths(const TMySqlResultSet* result, std::vector<std::uint32_t>& lengths) const;
  bool _mysql_fetch_value_is_null(const TMySqlResultSet* result, std::size_t i) const;
  const std::uint8_t* _mysql_fetch_value_ptr(const TMySqlResultSet* result, std::size_t i) const;
  std::string _mysql_fetch_value_str(const TMySqlResultSet* result, std::size_t i) const;
  // Copies column i (at most capacity bytes); the result is the number of bytes copied.
  std::size_t _mysql_fetch_value_to_buff(const TMySqlResultSet* result, std::size_t i, void* dest,
                                         std::size_t capacity) const;
  // As above, followed by a zero byte within capacity.
  std::size_t _mysql_fetch_value_to_str(const TMySqlResultSet* result, std::size_t i, char* dest,
                                        std::size_t capacity) const;
  void mysql_free_result(TMySqlResultSet* result);
  std::size_t mysql_num_fields(const TMySqlResultSet* result) const { return result->FieldCount(); }
  std::uint64_t mysql_field_count(const TMySqlSession* session) const { return session->fieldCount; }
  std::int64_t mysql_affected_rows(const TMySqlSession* session) const { return session->affectedRows; }
  std::uint64_t mysql_insert_id(const TMySqlSession* session) const { return session->insertId; }
  std::string mysql_info(const TMySqlSession* session) const { return session->info; }
  void _mysql_fetch_field_direct(const TMySqlResultSet* result, std::size_t i, TMYSQL_FIELD& description,
                                 bool unicode) const;
  bool mysql_more_results(const TMySqlSession* session) const {
    return (session->serverStatus & SERVER_MORE_RESULTS_EXISTS) != 0;
  }
  // 0: the next result was read; -1: there is none; else the error code.
  int mysql_next_result(TMySqlSession* session);

  // Other commands; 0 or the error code.
  int mysql_select_db(TMySqlSession* session, const std::string& name);
  int mysql_ping(TMySqlSession* session);
  int mysql_kill(TMySqlSession* session, std::uint32_t id);
  // The server's statistics text; empty after a failure.
  std::string mysql_stat(TMySqlSession* session);

 private:
  template <class TResult, class TBody>
  TResult Guarded(TMySqlSession* session, TResult failure, TBody body);

  TMySqlClientVersion FClientKind = TMySqlClientVersion::cvNone;
  std::mutex FQueryBufferCS;
};
