#include "tools/morvane-query/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr const char* Program = "morvane-query";

// The reference client's exit statuses for a wrong command line.
constexpr int UnknownOption = 2;
constexpr int AmbiguousOption = 3;
constexpr int NoArgumentAllowed = 4;
constexpr int ArgumentRequired = 5;
constexpr int UnknownVariable = 7;
constexpr int BadNumber = 9;
constexpr int NegativeNumber = 13;
// The longest time-out the reference client takes, in seconds.
constexpr std::uint64_t MaxSeconds = 43200;
constexpr int BadProtocol = 1;

enum class TArgument {
  None,      // a switch
  Boolean,   // a switch that also takes =0/1/on/off/true/false and the skip-/disable-/enable- forms
  Required,  // --name=value, --name value, -xvalue, -x value
  Optional,  // --name=value, -xvalue; without one it is asked for
  Number,    // as Required, a count of seconds or a port
};

struct TOptionRule {
  std::string_view Name;
  char Short;
  TArgument Argument;
  // The value, or for a boolean "1"/"0"; for an optional argument, nothing when none was given.
  void (*Apply)(TClientOptions& options, const std::optional<std::string>& value);
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The protocols the reference client takes on this system.
std::optional<MYSQL_PROTOCOL_TYPE> ParseProtocol(const std::string& name) {
  const std::string lower = Lower(name);
  if (lower == "tcp") return MYSQL_PROTOCOL_TCP;
  if (lower == "socket") return MYSQL_PROTOCOL_SOCKET;
  if (lower == "pipe") return MYSQL_PROTOCOL_PIPE;
  return std::nullopt;
}

bool On(const std::optional<std::string>& value) {
  return *value == "1";
}

const TOptionRule OptionRules[] = {
    {"host", 'h', TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Host = *v; }},
    {"port", 'P', TArgument::Number, [](TClientOptions& o, const auto& v) { o.Login.Port = std::atoi(v->c_str()); }},
    {"user", 'u', TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.User = *v; }},
    {"password", 'p', TArgument::Optional,
     [](TClientOptions& o, const auto& v) {
       o.AskPassword = !v;
       o.PasswordGiven = true;
       o.Login.Password = v.value_or("");
     }},
    {"database", 'D', TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Database = *v; }},
    {"execute", 'e', TArgument::Required,
     [](TClientOptions& o, const auto& v) {
       // Like the reference client: several -e are one text, joined by a blank; -e turns --force off.
       if (o.Execute)
         o.Scripts.back() += " " + *v;
       else
         o.Scripts.push_back(*v);
       o.Execute = true;
       o.Force = false;
     }},
    {"batch", 'B', TArgument::None, [](TClientOptions&, const auto&) {}},
    {"skip-column-names", 'N', TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.ColumnNames = !On(v); }},
    {"column-names", 0, TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.ColumnNames = On(v); }},
    {"raw", 'r', TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.Raw = On(v); }},
    {"table", 't', TArgument::None, [](TClientOptions& o, const auto&) { o.Layout = TLayout::Table; }},
    {"vertical", 'E', TArgument::None, [](TClientOptions& o, const auto&) { o.Layout = TLayout::Vertical; }},
    {"silent", 's', TArgument::None, [](TClientOptions& o, const auto&) { ++o.Silent; }},
    {"force", 'f', TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.Force = On(v); }},
    {"abort-source-on-error", 0, TArgument::Boolean,
     [](TClientOptions& o, const auto& v) { o.AbortSourceOnError = On(v); }},
    {"show-warnings", 0, TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.ShowWarnings = On(v); }},
    {"print-query-on-error", 0, TArgument::Boolean,
     [](TClientOptions& o, const auto& v) { o.PrintQueryOnError = On(v); }},
    {"compress", 'C', TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.Login.Compress = On(v); }},
    {"connect-timeout", 0, TArgument::Number,
     [](TClientOptions& o, const auto& v) { o.Login.TimeoutSeconds = std::atoi(v->c_str()); }},
    {"timeout", 0, TArgument::Number,
     [](TClientOptions& o, const auto& v) { o.Login.TimeoutSeconds = std::atoi(v->c_str()); }},
    {"default-character-set", 0, TArgument::Required,
     [](TClientOptions& o, const auto& v) { o.Login.CharacterSet = *v; }},
    {"delimiter", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Delimiter = *v; }},
    {"ssl", 0, TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.SkipSsl = !On(v); }},
    {"ssl-verify-server-cert", 0, TArgument::Boolean,
     [](TClientOptions& o, const auto& v) { o.VerifyServerCert = On(v); }},
    {"ssl-mode", 0, TArgument::Required,
     [](TClientOptions& o, const auto& v) {
       o.Login.Security.Mode = *ParseSslMode(*v);
       o.SslModeGiven = true;
     }},
    {"ssl-ca", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Security.Ca = *v; }},
    {"ssl-cert", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Security.Cert = *v; }},
    {"ssl-key", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Security.Key = *v; }},
    {"server-public-key", 0, TArgument::Required,
     [](TClientOptions& o, const auto& v) { o.Login.Security.ServerPublicKey = *v; }},
    {"get-server-public-key", 0, TArgument::None,
     [](TClientOptions& o, const auto&) { o.Login.Security.GetServerPublicKey = true; }},
    {"enable-cleartext-plugin", 0, TArgument::None,
     [](TClientOptions& o, const auto&) { o.Login.Security.EnableClearText = true; }},
    // --skip-secure-auth lets a server that claims the 4.1 protocol without its scramble have the
    // weak pre-4.1 one.
    {"secure-auth", 0, TArgument::Boolean,
     [](TClientOptions& o, const auto& v) { o.Login.Security.AllowOldPasswords = !On(v); }},
    {"dataset", 0, TArgument::None, [](TClientOptions& o, const auto&) { o.Dataset = true; }},
    {"fields", 0, TArgument::None, [](TClientOptions& o, const auto&) { o.Fields = true; }},
    {"verbose", 0, TArgument::None, [](TClientOptions& o, const auto&) { o.Verbose = true; }},
    // -v, -vv, -vvv: the reference client's echo of statements and their outcome (--verbose,
    // found first by its long name, names the host reached).
    {"verbose", 'v', TArgument::None, [](TClientOptions& o, const auto&) { ++o.EchoLevel; }},
    {"help", '?', TArgument::None, [](TClientOptions& o, const auto&) { o.Help = true; }},
    {"help", 'I', TArgument::None, [](TClientOptions& o, const auto&) { o.Help = true; }},
    {"version", 'V', TArgument::None, [](TClientOptions& o, const auto&) { o.Version = true; }},
    {"init-command", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.InitCommand = *v; }},
    {"safe-updates", 'U', TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.SafeUpdates = On(v); }},
    {"i-am-a-dummy", 0, TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.SafeUpdates = On(v); }},
    {"select-limit", 0, TArgument::Number, [](TClientOptions& o, const auto& v) { o.SelectLimit = *v; }},
    {"max-join-size", 0, TArgument::Number, [](TClientOptions& o, const auto& v) { o.MaxJoinSize = *v; }},
    {"html", 'H', TArgument::None, [](TClientOptions& o, const auto&) { o.Layout = TLayout::Html; }},
    {"xml", 'X', TArgument::None, [](TClientOptions& o, const auto&) { o.Layout = TLayout::Xml; }},
    {"tee", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Tee = *v; }},
    {"skip-tee", 0, TArgument::None, [](TClientOptions& o, const auto&) { o.Tee.clear(); }},
    {"comments", 'c', TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.Comments = On(v); }},
    {"local-infile", 0, TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.LocalInfile = On(v); }},
    // Read by the reference client before anything else; see OptionFiles.h.
    {"defaults-group-suffix", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    {"no-defaults", 0, TArgument::None, [](TClientOptions&, const auto&) {}},
    {"defaults-file", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    {"defaults-extra-file", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    // Settings of the reference client that change nothing in what a script prints.
    {"max-allowed-packet", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    {"net-buffer-length", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    {"quick", 'q', TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.Quick = On(v); }},
    {"unbuffered", 'n', TArgument::None, [](TClientOptions&, const auto&) {}},
    {"no-beep", 'b', TArgument::None, [](TClientOptions&, const auto&) {}},
    {"no-auto-rehash", 'A', TArgument::None, [](TClientOptions&, const auto&) {}},
    {"auto-rehash", 0, TArgument::Boolean, [](TClientOptions&, const auto&) {}},
    {"reconnect", 0, TArgument::Boolean, [](TClientOptions&, const auto&) {}},
    {"prompt", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    // Without a terminal there is nothing to page, interrupt, or lay out by its width; the column
    // descriptions are printed only on a terminal too.
    {"pager", 0, TArgument::Optional, [](TClientOptions&, const auto&) {}},
    {"skip-pager", 0, TArgument::None, [](TClientOptions&, const auto&) {}},
    {"sigint-ignore", 0, TArgument::Boolean, [](TClientOptions&, const auto&) {}},
    {"auto-vertical-output", 0, TArgument::Boolean, [](TClientOptions&, const auto&) {}},
    {"column-type-info", 0, TArgument::Boolean, [](TClientOptions&, const auto&) {}},
    {"binary-mode", 0, TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.BinaryMode = On(v); }},
    {"binary-as-hex", 0, TArgument::Boolean, [](TClientOptions& o, const auto& v) { o.BinaryAsHex = On(v); }},
    // Login settings of the C client library that this protocol client has no use for: its login
    // methods are built in and it always speaks TLS 1.2 or 1.3.
    {"default-auth", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    {"plugin-dir", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    {"tls-version", 0, TArgument::Required, [](TClientOptions&, const auto&) {}},
    {"ssl-crl", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Security.Crl = *v; }},
    {"ssl-crlpath", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Security.CrlPath = *v; }},
    // Line numbers are always shown without a terminal.
    {"line-numbers", 0, TArgument::Boolean, [](TClientOptions&, const auto&) {}},
    {"skip-line-numbers", 'L', TArgument::Boolean, [](TClientOptions&, const auto&) {}},
    {"socket", 'S', TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Socket = *v; }},
    {"protocol", 0, TArgument::Required,
     [](TClientOptions& o, const auto& v) { o.Login.Protocol = *ParseProtocol(*v); }},
    {"ssl-capath", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Security.CaPath = *v; }},
    {"ssl-cipher", 0, TArgument::Required, [](TClientOptions& o, const auto& v) { o.Login.Security.Cipher = *v; }},
};

std::string Normalized(std::string_view name, char separator = '-') {
  std::string text(name);
  std::replace(text.begin(), text.end(), separator == '-' ? '_' : '-', separator);
  return text;
}

const TOptionRule* FindLong(std::string_view name) {
  for (const TOptionRule& rule : OptionRules)
    if (rule.Name == name) return &rule;
  return nullptr;
}

const TOptionRule* FindShort(char letter) {
  for (const TOptionRule& rule : OptionRules)
    if (rule.Short == letter) return &rule;
  return nullptr;
}

std::optional<bool> ParseBoolean(const std::string& text) {
  const std::string value = Lower(text);
  if (value == "1" || value == "on" || value == "true") return true;
  if (value == "0" || value == "off" || value == "false") return false;
  return std::nullopt;
}

class TParser {
 public:
  TParser(std::vector<char*> args, TOptionSource source, TClientOptions& options, std::vector<std::string>& operands)
      : FArgs(std::move(args)), FSource(source), FOptions(options), FOperands(operands) {}

  int Run() {
    for (FIndex = 0; FIndex < FArgs.size(); ++FIndex) {
      const std::string_view arg = FArgs[FIndex];
      int status = 0;
      if (arg == "--") {
        for (++FIndex; FIndex < FArgs.size(); ++FIndex) FOperands.emplace_back(FArgs[FIndex]);
      } else if (arg.rfind("--", 0) == 0) {
        status = Long(arg.substr(2));
      } else if (arg.size() > 1 && arg[0] == '-') {
        status = Shorts();
      } else {
        FOperands.emplace_back(arg);
      }
      if (status != 0) return status;
    }
    return 0;
  }

 private:
  int Complain(int status, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", Program, message.c_str());
    return status;
  }

  // The argument after the current one as a value, if there is one.
  char* TakeNext() { return FIndex + 1 < FArgs.size() ? FArgs[++FIndex] : nullptr; }

  int Long(std::string_view text) {
    const std::size_t equals = text.find('=');
    std::string name = Normalized(text.substr(0, equals));
    std::optional<std::string> value;
    char* valueBytes = nullptr;
    if (equals != std::string_view::npos) {
      value = std::string(text.substr(equals + 1));
      valueBytes = FArgs[FIndex] + 2 + equals + 1;
    }
    // An option-file line "=value" has no name, which the reference client takes as a prefix of
    // every option, and calls ambiguous in these words.
    if (name.empty()) return Complain(AmbiguousOption, "ambiguous option '--" + std::string(text) + "' (help, xml)");
    const bool loose = name.rfind("loose-", 0) == 0;
    if (loose) name.erase(0, 6);
    const TOptionRule* rule = FindLong(name);
    // The switch forms of booleans.
    std::optional<bool> negated;
    for (const std::string_view prefix : {"skip-", "disable-", "enable-"}) {
      if (rule || name.rfind(prefix, 0) != 0) continue;
      const TOptionRule* base = FindLong(name.substr(prefix.size()));
      if (base && base->Argument == TArgument::Boolean && (!value || prefix == "enable-")) {
        rule = base;
        negated = prefix != "enable-";
      }
    }
    const std::string shown = "--" + std::string(text.substr(0, equals));
    if (!rule) {
      // A loose- option that is not known is only warned about, on the command line as in files.
      const std::string variable(text);
      if (loose && value) {
        std::fprintf(stderr, "Warning: %s: unknown variable '%s'\n", Program, variable.c_str());
        return 0;
      }
      if (loose) {
        std::fprintf(stderr, "Warning: %s: unknown option '%s'\n", Program, shown.c_str());
        return 0;
      }
      if (FSource == TOptionSource::CommandLine) return Complain(UnknownOption, "unknown option '" + shown + "'");
      return Complain(UnknownVariable, "unknown variable '" + variable + "'");
    }
    if (negated && !value) {
      Apply(*rule, *negated ? "0" : "1");
      return 0;
    }
    switch (rule->Argument) {
      case TArgument::None:
        if (value) return Complain(NoArgumentAllowed, "option '" + shown + "' cannot take an argument");
        Apply(*rule, std::nullopt);
        return 0;
      case TArgument::Boolean: {
        const auto on = value ? ParseBoolean(*value) : true;
        if (!on) {
          std::fprintf(stderr, "Warning: %s: ignoring option '%s' due to invalid value '%s'\n", Program, shown.c_str(),
                       value->c_str());
          return 0;
        }
        Apply(*rule, *on ? "1" : "0");
        return 0;
      }
      case TArgument::Optional:
        // Only "--password=W" gives the value: in "--password W", as in the reference client, it
        // is asked for and W is an operand.
        break;
      case TArgument::Required:
      case TArgument::Number:
        if (!value) {
          valueBytes = TakeNext();
          if (!valueBytes) return Complain(ArgumentRequired, "option '" + shown + "' requires an argument");
          value = std::string(valueBytes);
        }
        break;
    }
    return ApplyValue(*rule, value, valueBytes);
  }

  int Shorts() {
    char* arg = FArgs[FIndex];
    for (std::size_t i = 1; arg[i] != '\0'; ++i) {
      const std::string shown = std::string("-") + arg[i];
      const TOptionRule* rule = FindShort(arg[i]);
      if (!rule) return Complain(UnknownOption, "unknown option '" + shown + "'");
      if (rule->Argument == TArgument::None || rule->Argument == TArgument::Boolean) {
        Apply(*rule, rule->Argument == TArgument::Boolean ? "1" : std::optional<std::string>());
        continue;
      }
      char* valueBytes = arg[i + 1] != '\0' ? arg + i + 1 : nullptr;
      if (!valueBytes && rule->Argument != TArgument::Optional) {
        valueBytes = TakeNext();
        if (!valueBytes) return Complain(ArgumentRequired, "option '" + shown + "' requires an argument");
      }
      return ApplyValue(*rule, valueBytes ? std::optional<std::string>(valueBytes) : std::nullopt, valueBytes);
    }
    return 0;
  }

  int ApplyValue(const TOptionRule& rule, const std::optional<std::string>& value, char* valueBytes) {
    // Other users can read a process's command line for as long as it runs.
    if (rule.Short == 'p' && valueBytes) std::memset(valueBytes, 'x', std::strlen(valueBytes));
    std::optional<std::string> given = value;
    if (rule.Argument == TArgument::Number) {
      const std::string name(rule.Name);
      const auto failed = [&](int status) {
        return Complain(status, "Error while setting value '" + *value + "' to '" + name + "'");
      };
      if (!value->empty() && value->front() == '-') {
        std::fprintf(stderr, "Incorrect unsigned value: '%s' for %s\n", value->c_str(), name.c_str());
        return failed(NegativeNumber);
      }
      std::uint64_t number = 0;
      const char* end = value->data() + value->size();
      const auto [stop, error] = std::from_chars(value->data(), end, number);
      // As there: K, M, G, T, P and E multiply by powers of 1024.
      constexpr std::string_view Suffixes = "KMGTPE";
      const std::size_t power = stop + 1 == end ? Suffixes.find(static_cast<char>(std::toupper(*stop))) : 0;
      if (error != std::errc() || (stop != end && power == std::string_view::npos)) {
        const char bad = stop != end ? *stop : value->empty() ? ' ' : value->front();
        std::fprintf(stderr,
                     "Unknown suffix '%c' used for variable '%s' (value '%s'). Legal suffix characters are: K, M, G, "
                     "T, P, E\n",
                     bad, name.c_str(), value->c_str());
        return failed(BadNumber);
      }
      if (stop != end) number <<= 10 * (power + 1);
      const bool seconds = name.find("timeout") != std::string::npos;
      const std::uint64_t limit = seconds ? MaxSeconds : std::numeric_limits<int>::max();
      if (number > limit) {
        std::fprintf(stderr, "Warning: option '%s': unsigned value %llu adjusted to %llu\n",
                     Normalized(name, '_').c_str(), static_cast<unsigned long long>(number),
                     static_cast<unsigned long long>(limit));
        number = limit;
      }
      given = std::to_string(number);
    }
    // An empty delimiter would end a statement at every character, and never get past it.
    if (rule.Name == "delimiter" && value->empty())
      return Complain(ArgumentRequired, "option '--delimiter' requires a delimiter character or string");
    if (rule.Name == "protocol" && !ParseProtocol(*value)) {
      std::fprintf(stderr, "Unknown option to protocol: %s\nAlternatives are: 'TCP','SOCKET','PIPE'\n", value->c_str());
      return BadProtocol;
    }
    if (rule.Name == "ssl-mode" && !ParseSslMode(*value))
      return Complain(UnknownOption,
                      "--ssl-mode expects disabled, preferred, required, verify-ca or verify-identity, "
                      "not '" +
                          *value + "'");
    Apply(rule, given);
    return 0;
  }

  void Apply(const TOptionRule& rule, const std::optional<std::string>& value) {
    rule.Apply(FOptions, value);
    // As in the reference client, a port on the command line asks for TCP and a socket there for
    // the socket, whichever comes last (--protocol included); in option files they do not.
    if (FSource == TOptionSource::CommandLine && rule.Short == 'P') FOptions.Login.Protocol = MYSQL_PROTOCOL_TCP;
    if (FSource == TOptionSource::CommandLine && rule.Short == 'S') FOptions.Login.Protocol = MYSQL_PROTOCOL_SOCKET;
  }

  std::vector<char*> FArgs;
  TOptionSource FSource;
  TClientOptions& FOptions;
  std::vector<std::string>& FOperands;
  std::size_t FIndex = 0;
};

}  // namespace

int ParseOptions(std::vector<char*> args, TOptionSource source, TClientOptions& options,
                 std::vector<std::string>& operands) {
  return TParser(std::move(args), source, options, operands).Run();
}

void FinishOptions(const std::vector<std::string>& operands, TClientOptions& options) {
  for (std::size_t i = 0; i < operands.size(); ++i) {
    const std::string& operand = operands[i];
    const bool blanks = std::any_of(operand.begin(), operand.end(), [](char c) { return std::isspace(c); });
    if (i == 0 && !blanks)
      options.Login.Database = operand;
    else
      options.Scripts.push_back(operand);
  }
  TSslSettings& security = options.Login.Security;
  if (!options.SslModeGiven) {
    if (options.SkipSsl)
      security.Mode = TSslMode::Disabled;
    else if (options.VerifyServerCert)
      security.Mode = TSslMode::VerifyIdentity;
    // Authorities or revocation lists are given to verify the server's certificate with.
    else if (!security.Ca.empty() || !security.CaPath.empty() || !security.Crl.empty() || !security.CrlPath.empty())
      security.Mode = TSslMode::VerifyCa;
  }
  // As the vendors' clients do: the environment's password when none was given, and its host and
  // port below the option files and the command line.
  if (!options.PasswordGiven)
    if (const char* fromEnvironment = std::getenv("MYSQL_PWD")) options.Login.Password = fromEnvironment;
  if (const char* host = std::getenv("MYSQL_HOST"); host && options.Login.Host.empty()) options.Login.Host = host;
  if (const char* port = std::getenv("MYSQL_TCP_PORT"); port && options.Login.Port == 0)
    options.Login.Port = std::atoi(port);
  if (options.SafeUpdates)
    options.Login.AfterLogin.push_back("SET sql_safe_updates=1, sql_select_limit=" + options.SelectLimit +
                                       ", max_join_size=" + options.MaxJoinSize);
  if (!options.InitCommand.empty()) options.Login.AfterLogin.push_back(options.InitCommand);
  // Without -u the account is the system user's, as "sudo ... < script.sql" expects.
  if (options.Login.User.empty())
    if (const passwd* account = ::getpwuid(::geteuid())) options.Login.User = account->pw_name;
}
