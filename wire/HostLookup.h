#pragma once
// Host-name lookup within a time limit. The system's lookup has no limit of its own, so it runs
// on a thread of its own, which is left to finish alone (and free what it found) when the limit
// passes first.
#include <chrono>
#include <string>

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <netdb.h>
#endif

using TResolver = int (*)(const char* host, const char* service, const addrinfo* hints, addrinfo** found);

struct THostLookup {
  int Error = 0;  // of the resolver, 0 on success
  bool TimedOut = false;
  addrinfo* Found = nullptr;  // the caller frees it with freeaddrinfo
};

// A limit of zero or less waits as long as the lookup takes.
THostLookup LookupHost(const std::string& host, const addrinfo& hints, std::chrono::steady_clock::duration limit,
                       TResolver resolver = &getaddrinfo);
