#pragma once
// Logging in to the first host of a list that accepts the login and is ready for clients.
#include "wire/HostList.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

class TMySQLAPIDirect;
class TMySqlSession;

// Galera's answer of a node that is not part of the primary component.
constexpr int ER_NODE_NOT_READY = 1047;

struct THostFailure {
  int Code = 0;
  std::string Message;
};

struct THostChoice {
  // The host that took the login, or -1 when none did; then Failure tells why.
  int Index = -1;
  // The last host's failure; with more than one host it also tells how many were tried.
  THostFailure Failure;
};

// Logs in to the hosts in turn, starting at `first` and wrapping round, until `login` returns no
// failure for one of them; every host is tried at most once.
THostChoice TryHostsInOrder(const THostList& hosts, std::size_t first,
                            const std::function<std::optional<THostFailure>(const THostAddress&)>& login);

// As TryHostsInOrder, for a login that takes its connect time-out in seconds. With several hosts,
// one that has not logged in within HostAnswerDelay seconds is passed over at first, so that a
// frozen host does not hold the connect for the whole time-out while others answer; the hosts
// passed over are tried again afterwards with the whole time-out.
constexpr int HostAnswerDelay = 3;
THostChoice TryHostsPassingOverSilentOnes(
    const THostList& hosts, std::size_t first, int timeoutSeconds,
    const std::function<std::optional<THostFailure>(const THostAddress&, int timeoutSeconds)>& login);

// A cluster node that is up but not ready for clients (wsrep_ready OFF, or 1047 on asking) is
// a failure like a dead one; a server without cluster replication reports nothing and is ready.
std::optional<THostFailure> NodeNotReady(TMySQLAPIDirect& api, TMySqlSession* session);
