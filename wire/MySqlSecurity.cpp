#include "wire/MySqlSecurity.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <utility>

namespace {

constexpr std::array<std::pair<TSslMode, std::string_view>, 5> ModeNames = {{
    {TSslMode::Disabled, "disabled"},
    {TSslMode::Preferred, "preferred"},
    {TSslMode::Required, "required"},
    {TSslMode::VerifyCa, "verify-ca"},
    {TSslMode::VerifyIdentity, "verify-identity"},
}};

bool SameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::optional<TSslMode> ParseSslMode(std::string_view name) {
  for (const auto& [mode, text] : ModeNames)
    if (SameLetters(name, text)) return mode;
  return std::nullopt;
}

std::string_view SslModeName(TSslMode mode) {
  for (const auto& [candidate, text] : ModeNames)
    if (candidate == mode) return text;
  return {};
}

std::string SslSettingsProblem(const TSslSettings& settings) {
  if (settings.Mode == TSslMode::Disabled) return {};
  // Any authority of the system would vouch for any certificate it signed, whatever the host.
  if (settings.Mode == TSslMode::VerifyCa && settings.Ca.empty()) return "verify-ca needs a CA file (ssl-ca)";
  const std::pair<const std::string*, std::string_view> files[] = {
      {&settings.Ca, "CA file"}, {&settings.Cert, "certificate file"}, {&settings.Key, "key file"}};
  for (const auto& [file, what] : files)
    if (!file->empty() && !std::ifstream(*file)) return "cannot read the " + std::string(what) + " '" + *file + "'";
  return {};
}
