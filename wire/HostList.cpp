#include "wire/HostList.h"

#include "wire/MySqlErrors.h"

#include <charconv>

namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

[[noreturn]] void BadEntry(std::string_view entry) {
  throw EMySqlException(CR_UNKNOWN_HOST, {std::string(entry), std::int64_t{0}}, {});
}

int ParsePort(std::string_view text, std::string_view entry) {
  int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
    BadEntry(entry);
  return port;
}

THostAddress ParseEntry(std::string_view entry, int defaultPort) {
  if (entry.front() == '[') {
    const std::size_t close = entry.find(']');
    if (close == std::string_view::npos || close == 1) BadEntry(entry);
    const std::string_view rest = Trimmed(entry.substr(close + 1));
    if (!rest.empty() && rest.front() != ':') BadEntry(entry);
    const std::string_view host = Trimmed(entry.substr(1, close - 1));
    if (host.empty()) BadEntry(entry);
    return {std::string(host), rest.empty() ? defaultPort : ParsePort(Trimmed(rest.substr(1)), entry)};
  }
  const std::size_t colon = entry.find(':');
  if (colon == std::string_view::npos || entry.find(':', colon + 1) != std::string_view::npos)
    return {std::string(entry), defaultPort};
  // Blanks around the colon are typing, not part of the host or port ("127.0.0.1 :3306").
  const std::string_view host = Trimmed(entry.substr(0, colon));
  if (host.empty()) BadEntry(entry);
  return {std::string(host), ParsePort(Trimmed(entry.substr(colon + 1)), entry)};
}

}  // namespace

std::string THostAddress::Text() const {
  const bool bracketed = Host.find(':') != std::string::npos;
  return (bracketed ? "[" + Host + "]" : Host) + ":" + std::to_string(Port);
}

THostList ParseHostList(std::string_view text, int defaultPort) {
  THostList hosts;
  for (;;) {
    const std::size_t comma = text.find(',');
    const std::string_view entry = Trimmed(text.substr(0, comma));
    if (!entry.empty()) hosts.push_back(ParseEntry(entry, defaultPort));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (hosts.empty()) hosts.push_back({"localhost", defaultPort});
  return hosts;
}
