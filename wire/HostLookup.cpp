#include "wire/HostLookup.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// What the lookup thread and the waiting caller share; whoever comes last owns the result.
struct TPendingLookup {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  bool Abandoned = false;
  THostLookup Result;
};

}  // namespace

THostLookup LookupHost(const std::string& host, const addrinfo& hints, std::chrono::steady_clock::duration limit,
                       TResolver resolver) {
  THostLookup result;
  if (limit <= std::chrono::steady_clock::duration::zero()) {
    result.Error = resolver(host.c_str(), nullptr, &hints, &result.Found);
    return result;
  }
  auto pending = std::make_shared<TPendingLookup>();
  std::thread([pending, host, hints, resolver] {
    addrinfo* found = nullptr;
    const int error = resolver(host.c_str(), nullptr, &hints, &found);
    std::lock_guard lock(pending->Lock);
    if (pending->Abandoned) {
      if (found) freeaddrinfo(found);
      return;
    }
    pending->Result.Error = error;
    pending->Result.Found = found;
    pending->Finished = true;
    pending->Done.notify_one();
  }).detach();
  std::unique_lock lock(pending->Lock);
  if (!pending->Done.wait_for(lock, limit, [&] { return pending->Finished; })) {
    pending->Abandoned = true;
    result.TimedOut = true;
    return result;
  }
  return pending->Result;
}
