#include "wire/MySqlSecurity.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
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

// A folder is readable when its entries can be listed.
bool ReadableFolder(const std::string& path) {
  std::error_code error;
  const std::filesystem::directory_iterator entries(path, error);
  return !error;
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
  if (settings.Mode == TSslMode::VerifyCa && settings.Ca.empty() && settings.CaPath.empty())
    return "verify-ca needs a CA file (ssl-ca) or folder (ssl-capath)";
  const std::pair<const std::string*, std::string_view> files[] = {{&settings.Ca, "CA file"},
                                                                   {&settings.Cert, "certificate file"},
                                                                   {&settings.Key, "key file"},
                                                                   {&settings.Crl, "revocation list file"}};
  for (const auto& [file, what] : files)
    if (!file->empty() && !std::ifstream(*file)) return "cannot read the " + std::string(what) + " '" + *file + "'";
  const std::pair<const std::string*, std::string_view> folders[] = {{&settings.CaPath, "CA folder"},
                                                                     {&settings.CrlPath, "revocation list folder"}};
  for (const auto& [folder, what] : folders)
    if (!folder->empty() && !ReadableFolder(*folder))
      return "cannot read the " + std::string(what) + " '" + *folder + "'";
  return {};
}
