// morvane-query: runs SQL statements and prints their result sets in batch format.
#include "tools/morvane-query/DatasetRunner.h"
#include "tools/morvane-query/QueryRunner.h"
#include "tools/morvane-query/StatementSplitter.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: morvane-query [--host H] [--port P] [--user U] [--password W] [--database D] [--compress] "
    "[--timeout S] [--verbose] [--ssl-mode M] [--ssl-ca F] [--ssl-cert F] [--ssl-key F] [--server-public-key F] "
    "[--get-server-public-key] [--enable-cleartext-plugin] [--dataset [--fields]] [SQL...]\n"
    "       morvane-query --help | --version\n"
    "\n"
    "Runs each SQL statement through Morvane's protocol client and prints its result sets in the\n"
    "batch format of the mariadb client (tab-separated, NULL, escaped \\0 \\t \\n \\\\).\n"
    "Without SQL arguments the statements are read from standard input, split at each ';' outside\n"
    "quotes and comments.\n"
    "\n"
    "  --host H        server host, or a list tried in turn: db1,db2:3307,[::1]:3308\n"
    "  --port P        server port of the hosts given without one\n"
    "  --user U        account name\n"
    "  --password W    account password (overwritten in the command line at once; the\n"
    "                  environment's MYSQL_PWD is used when it is not given)\n"
    "  --database D    default database\n"
    "  --compress      use the compressed protocol\n"
    "  --timeout S     connect time-out in seconds, for each host\n"
    "  --verbose       print the host reached on standard error\n"
    "  --ssl-mode M    disabled, preferred (the default), required, verify-ca or verify-identity\n"
    "  --ssl-ca F      PEM file of the authorities that may sign the server's certificate\n"
    "  --ssl-cert F    PEM file of the client certificate\n"
    "  --ssl-key F     PEM file of the client certificate's private key\n"
    "  --server-public-key F  PEM file of the server's RSA key for password logins without TLS\n"
    "  --get-server-public-key  without such a file, ask the server for its key over plain TCP\n"
    "                  (whoever answers in its place can then read the password)\n"
    "  --enable-cleartext-plugin  answer mysql_clear_password from a server whose certificate\n"
    "                  was not verified (the password travels as it is)\n"
    "  --dataset       read the rows through the query dataset the window uses\n"
    "  --fields        with --dataset: list each field's name, type and size first\n"
    "  --help          print this text and exit\n"
    "  --version       print the version and exit\n";

// What ParseArguments decided: run statements, or exit with the given status.
enum class TParseResult { Run, ExitOk, ExitUsage };

struct TModes {
  bool Dataset = false;
  bool Fields = false;
  bool Verbose = false;
};

bool ParseInt(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

TParseResult ParseArguments(int argc, char** argv, TQueryLogin& login, std::vector<std::string>& statements,
                            TModes& modes) {
  bool passwordGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::fputs(Usage, stdout);
      return TParseResult::ExitOk;
    }
    if (arg == "--version") {
      std::printf("morvane-query %s\n", MORVANE_VERSION);
      return TParseResult::ExitOk;
    }
    if (arg == "--dataset" || arg == "--fields") {
      (arg == "--dataset" ? modes.Dataset : modes.Fields) = true;
      continue;
    }
    if (arg == "--verbose") {
      modes.Verbose = true;
      continue;
    }
    if (arg == "--compress") {
      login.Compress = true;
      continue;
    }
    if (arg == "--get-server-public-key" || arg == "--enable-cleartext-plugin") {
      (arg == "--get-server-public-key" ? login.Security.GetServerPublicKey : login.Security.EnableClearText) = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      statements.emplace_back(arg);
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "morvane-query: %s needs a value\n", argv[i]);
      return TParseResult::ExitUsage;
    }
    const char* value = argv[++i];
    if (arg == "--host") {
      login.Host = value;
    } else if (arg == "--user") {
      login.User = value;
    } else if (arg == "--password") {
      login.Password = value;
      passwordGiven = true;
      // Other users can read a process's command line for as long as it runs.
      std::memset(argv[i], 'x', std::strlen(argv[i]));
    } else if (arg == "--database") {
      login.Database = value;
    } else if (arg == "--ssl-mode") {
      const auto mode = ParseSslMode(value);
      if (!mode) {
        std::fprintf(stderr,
                     "morvane-query: --ssl-mode expects disabled, preferred, required, verify-ca or verify-identity, "
                     "not '%s'\n",
                     value);
        return TParseResult::ExitUsage;
      }
      login.Security.Mode = *mode;
    } else if (arg == "--ssl-ca") {
      login.Security.Ca = value;
    } else if (arg == "--ssl-cert") {
      login.Security.Cert = value;
    } else if (arg == "--ssl-key") {
      login.Security.Key = value;
    } else if (arg == "--server-public-key") {
      login.Security.ServerPublicKey = value;
    } else if (arg == "--port" || arg == "--timeout") {
      int& target = arg == "--port" ? login.Port : login.TimeoutSeconds;
      if (!ParseInt(value, target) || target < 0) {
        std::fprintf(stderr, "morvane-query: %s expects a number, not '%s'\n", argv[i - 1], value);
        return TParseResult::ExitUsage;
      }
    } else {
      std::fprintf(stderr, "morvane-query: unknown option %s\n", argv[i - 1]);
      return TParseResult::ExitUsage;
    }
  }
  // As the vendors' clients do: the environment's password when none was given.
  if (!passwordGiven)
    if (const char* fromEnvironment = std::getenv("MYSQL_PWD")) login.Password = fromEnvironment;
  if (statements.empty()) {
    const std::string script(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>{});
    statements = SplitStatements(script);
  }
  return TParseResult::Run;
}

int ReportError(const TQueryError& error) {
  std::fflush(stdout);
  std::fprintf(stderr, "ERROR %d: %s\n", error.Code, error.Message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  TQueryLogin login;
  std::vector<std::string> statements;
  TModes modes;
  switch (ParseArguments(argc, argv, login, statements, modes)) {
    case TParseResult::ExitOk:
      return 0;
    case TParseResult::ExitUsage:
      return 2;
    case TParseResult::Run:
      break;
  }

  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  if (modes.Dataset) {
    TBatchOutput output(stdout);
    return RunDatasetMode(login, statements, modes.Fields, modes.Verbose, output);
  }
  TQueryRunner runner;
  if (!runner.Connect(login)) return ReportError(runner.LastError());
  if (modes.Verbose) ReportHost(runner.ConnectedHost());
  TBatchOutput output(stdout);
  for (const std::string& sql : statements)
    if (!runner.Run(sql, &output)) return ReportError(runner.LastError());
  output.Flush();
  return 0;
}
