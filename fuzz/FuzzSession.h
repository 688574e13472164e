#pragma once
// A logged-in session whose server replies are the fuzzer's bytes, served by a memory transport.
// The first byte chooses the capabilities the login agreed on; the rest is what the wire carries.
#include "tests/support/MemoryVio.h"
#include "wire/MySqlApiDirect.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class TFuzzSession {
 public:
  TFuzzSession(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t choice = size > 0 ? data[0] : 0;
    const std::uint32_t capabilities = CLIENT_LONG_FLAG | CLIENT_TRANSACTIONS | CLIENT_MULTI_RESULTS |
                                       (choice & 1 ? CLIENT_PROTOCOL_41 : 0) | (choice & 2 ? CLIENT_COMPRESS : 0);
    Session.serverCapabilities = capabilities;
    Session.FclientFlag = capabilities;
    Session.net.SetCompress(choice & 2);
    const std::uint8_t* wire = size > 0 ? data + 1 : data;
    Session.net.SetVio(std::make_unique<TMemoryVio>(TBytes(wire, data + size)));
  }

  // Runs a statement and hands every result it has to onResult, as the terminal client reads them.
  void Query(const std::function<void(TMySqlResultSet&)>& onResult) {
    if (Api.mysql_real_query(&Session, "SELECT 1") != 0) return;
    constexpr int MaxResults = 16;
    for (int i = 0; i < MaxResults; ++i) {
      if (TMySqlResultSet* result = Api.mysql_use_result(&Session)) {
        onResult(*result);
        Api.mysql_free_result(result);
      }
      if (Api.mysql_next_result(&Session) != 0) return;
    }
  }

  TMySqlSession Session;
  TMySQLAPIDirect Api;
};
