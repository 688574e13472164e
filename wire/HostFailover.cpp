#include "wire/HostFailover.h"

#include "wire/MySqlApiDirect.h"

#include <chrono>
#include <vector>

THostChoice TryHostsInOrder(const THostList& hosts, std::size_t first,
                            const std::function<std::optional<THostFailure>(const THostAddress&)>& login) {
  THostChoice choice;
  for (std::size_t tried = 0; tried < hosts.size(); ++tried) {
    const std::size_t index = (first + tried) % hosts.size();
    std::optional<THostFailure> failure = login(hosts[index]);
    if (!failure) {
      choice.Index = static_cast<int>(index);
      return choice;
    }
    choice.Failure = std::move(*failure);
  }
  if (hosts.size() > 1) choice.Failure.Message += "\r\nHosts tried: " + std::to_string(hosts.size());
  return choice;
}

THostChoice TryHostsPassingOverSilentOnes(
    const THostList& hosts, std::size_t first, int timeoutSeconds,
    const std::function<std::optional<THostFailure>(const THostAddress&, int timeoutSeconds)>& login) {
  const bool hurry = hosts.size() > 1 && (timeoutSeconds <= 0 || timeoutSeconds > HostAnswerDelay);
  std::vector<std::size_t> passedOver;
  const THostChoice choice = TryHostsInOrder(hosts, first, [&](const THostAddress& host) {
    const auto started = std::chrono::steady_clock::now();
    std::optional<THostFailure> failure = login(host, hurry ? HostAnswerDelay : timeoutSeconds);
    // The socket's time-outs count whole seconds; a failure that came this late was one.
    if (failure && hurry &&
        std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(HostAnswerDelay * 1000 - 100))
      passedOver.push_back(static_cast<std::size_t>(&host - hosts.data()));
    return failure;
  });
  if (choice.Index >= 0) return choice;
  for (std::size_t index : passedOver)
    if (!login(hosts[index], timeoutSeconds)) return THostChoice{static_cast<int>(index), {}};
  return choice;
}

std::optional<THostFailure> NodeNotReady(TMySQLAPIDirect& api, TMySqlSession* session) {
  auto failure = [&] { return THostFailure{api.mysql_errno(session), api.mysql_error(session)}; };
  // A server built with replication support reports wsrep_ready OFF when it runs alone; only a
  // node with a loaded provider names one.
  if (api.mysql_real_query(session,
                           "SHOW GLOBAL STATUS WHERE Variable_name IN "
                           "('wsrep_provider_name', 'wsrep_ready')") != 0)
    return failure();
  TMySqlResultSet* result = api.mysql_use_result(session);
  if (!result) return failure();
  bool clustered = false, ready = false;
  while (const TMySqlBinds* row = api.mysql_fetch_row(result)) {
    if (row->Slots.size() < 2 || row->Slots[1].IsNull) continue;
    if (row->Value(0) == "wsrep_provider_name") clustered = !row->Value(1).empty();
    if (row->Value(0) == "wsrep_ready") ready = row->Value(1) == "ON";
  }
  const bool readFailed = api.mysql_errno(session) != 0;
  api.mysql_free_result(result);
  if (readFailed) return failure();
  if (clustered && !ready)
    return THostFailure{ER_NODE_NOT_READY, "WSREP has not yet prepared node for application use"};
  return std::nullopt;
}
