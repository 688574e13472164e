#pragma once
// A server setting that names several hosts, each with an optional port:
// "db1,db2:3307,[::1]:3308". A host without a port uses the port setting.
#include <string>
#include <string_view>
#include <vector>

struct THostAddress {
  std::string Host;
  int Port = 0;
  // "host:port", with an IPv6 address in brackets.
  std::string Text() const;
};

using THostList = std::vector<THostAddress>;

// A list is only worth giving if a silent host gives way to the next, so a client that connects
// without a time-out uses this one for a list: the connection component's default.
constexpr int HostListConnectTimeout = 15;

// Empty entries are skipped; an empty list means "localhost". A port that is not a number from
// 1 to 65535 or an unclosed bracket raises EMySqlException (unknown host) naming the entry.
// A bare IPv6 address (more than one colon, no brackets) is a host without a port.
THostList ParseHostList(std::string_view text, int defaultPort);
