// morvane-query: runs SQL through Morvane's protocol client and prints the result sets as the
// database's command-line client does, taking the same options, option files and scripts.
#include "tools/morvane-query/BatchOutput.h"
#include "tools/morvane-query/CommandLine.h"
#include "tools/morvane-query/DatasetRunner.h"
#include "tools/morvane-query/ErrorReport.h"
#include "tools/morvane-query/HtmlOutput.h"
#include "tools/morvane-query/OptionFiles.h"
#include "tools/morvane-query/PasswordPrompt.h"
#include "tools/morvane-query/ScriptReader.h"
#include "tools/morvane-query/ScriptRunner.h"
#include "tools/morvane-query/TableOutput.h"
#include "tools/morvane-query/VerboseReport.h"
#include "tools/morvane-query/VerticalOutput.h"
#include "tools/morvane-query/XmlOutput.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: morvane-query [OPTIONS] [DATABASE] [SQL...]\n"
    "       morvane-query --help | --version\n"
    "\n"
    "Runs SQL through Morvane's protocol client and prints the result sets as the mariadb client\n"
    "does without a terminal: tab-separated (NULL, escaped \\0 \\t \\n \\\\), or as a table or\n"
    "vertically. The statements come from -e, from SQL arguments after the database name, or from\n"
    "standard input, ended by ';' (or the DELIMITER set), \\g or \\G; the client commands (use,\n"
    "source, delimiter, quit, charset, warnings, system, \\q, \\u ...) are understood. Options are\n"
    "also read from the [client], [client-server], [client-mariadb], [mysql] and [mariadb-client]\n"
    "groups of /etc/my.cnf, /etc/mysql/my.cnf, $MYSQL_HOME/my.cnf and ~/.my.cnf, unless anyone\n"
    "may write them.\n"
    "\n"
    "  -h, --host=H          server host, or a list tried in turn: db1,db2:3307,[::1]:3308;\n"
    "                        localhost (the default) goes through the local socket unless the\n"
    "                        protocol is TCP\n"
    "  -P, --port=P          server port of the hosts given without one (default 3306); on the\n"
    "                        command line it selects TCP, unless a later -S or --protocol doesn't\n"
    "  -S, --socket=F        the server's local socket (default /run/mysqld/mysqld.sock); on the\n"
    "                        command line it selects the socket, unless a later -P or --protocol\n"
    "                        doesn't\n"
    "      --protocol=P      tcp, or socket (localhost through the socket, other hosts over TCP)\n"
    "  -u, --user=U          account name\n"
    "  -p, --password[=W]    account password; without a value it is asked on the terminal.\n"
    "                        Overwritten in the command line at once; MYSQL_PWD is used when it\n"
    "                        is not given. \"--password W\" asks, and W is the database\n"
    "  -D, --database=D      default database (also the first argument)\n"
    "  -e, --execute=SQL     run these statements instead of reading standard input\n"
    "  -B, --batch           tab-separated output (the default without a terminal)\n"
    "  -N, --skip-column-names  no header line\n"
    "  -r, --raw             no escaping of special characters in the tab-separated output\n"
    "  -t, --table           output as a table\n"
    "  -E, --vertical        output one line per column\n"
    "  -s, --silent          no header line in the tab-separated output\n"
    "  -f, --force           go on after a failed statement\n"
    "      --skip-print-query-on-error  no failing statement in errors\n"
    "      --delimiter=D     the statement delimiter at the start (default ';')\n"
    "      --binary-mode     keep NUL bytes and carriage returns in statements; no client\n"
    "                        commands but DELIMITER and \\C\n"
    "  -C, --compress        use the compressed protocol\n"
    "      --connect-timeout=S  connect time-out in seconds, for each host\n"
    "      --timeout=S       the same\n"
    "      --default-character-set=C  character set of the session (default utf8mb4)\n"
    "      --ssl-mode=M      disabled, preferred (the default), required, verify-ca or\n"
    "                        verify-identity\n"
    "      --ssl, --skip-ssl  preferred, or disabled (when --ssl-mode is not given)\n"
    "      --ssl-verify-server-cert  verify-identity (when --ssl-mode is not given)\n"
    "      --ssl-ca=F        PEM file of the authorities that may sign the server's certificate\n"
    "                        (verify-ca when --ssl-mode is not given)\n"
    "      --ssl-capath=D    folder of such authorities under their hashed names (hash.0), with\n"
    "                        --ssl-ca or alone (verify-ca when --ssl-mode is not given)\n"
    "      --ssl-crl=F       PEM file of revocation lists: a server certificate they revoke, or\n"
    "                        whose issuer has none there, is refused (verify-ca when --ssl-mode\n"
    "                        is not given)\n"
    "      --ssl-crlpath=D   folder of such lists under their issuers' hashed names (hash.r0)\n"
    "      --ssl-cipher=L    ciphers allowed, ':' between them: TLS_... suites limit TLS 1.3,\n"
    "                        the others TLS 1.2\n"
    "      --ssl-cert=F      PEM file of the client certificate\n"
    "      --ssl-key=F       PEM file of the client certificate's private key\n"
    "      --server-public-key=F  PEM file of the server's RSA key for password logins without TLS\n"
    "      --get-server-public-key  without such a file, ask the server for its key over plain TCP\n"
    "                        (whoever answers in its place can then read the password)\n"
    "      --enable-cleartext-plugin  answer mysql_clear_password from a server whose certificate\n"
    "                        was not verified (the password travels as it is)\n"
    "      --no-defaults     read no option file\n"
    "      --defaults-file=F  read only this option file\n"
    "      --defaults-extra-file=F  read this option file before ~/.my.cnf\n"
    "      --verbose         print the host reached on standard error\n"
    "      --dataset         read the rows through the query dataset the window uses (over TCP:\n"
    "                        no -S or --protocol=socket)\n"
    "      --fields          with --dataset: list each field's name, type and size first\n"
    "  -?, --help            print this text and exit\n"
    "  -V, --version         print the version and exit\n";

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  return pointers;
}

// The statements of the scripts, for the dataset mode; client commands other than quit are
// passed over there. Nothing when a script holds what is not read (reported): then none is run.
std::optional<std::vector<std::string>> Statements(const std::vector<std::string>& scripts, std::string delimiter,
                                                   bool binaryMode) {
  std::vector<std::string> statements;
  for (const std::string& script : scripts) {
    TScriptReader reader(script, delimiter, {.BinaryMode = binaryMode});
    while (const auto command = reader.Next()) {
      if (command->Kind == TScriptCommand::TKind::BadInput) {
        ReportScriptError(command->Text, {.Line = command->Line});
        return std::nullopt;
      }
      if (command->Kind == TScriptCommand::TKind::Quit) return statements;
      if (command->Kind == TScriptCommand::TKind::Statement) statements.push_back(command->Text);
    }
  }
  return statements;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> commandLine(argv + 1, argv + argc);
  TOptionFileArgs fileArgs = ReadOptionFiles(std::vector<std::string>(commandLine.begin(), commandLine.end()));
  if (fileArgs.Status != 0) return fileArgs.Status;
  if (fileArgs.PrintOnly) {
    std::puts("morvane-query would have been started with the following arguments:");
    for (const std::string& arg : fileArgs.Args) std::printf("%s ", arg.c_str());
    std::puts("");
    return 0;
  }
  TClientOptions options;
  std::vector<std::string> operands;
  if (const int status = ParseOptions(Pointers(fileArgs.Args), TOptionSource::OptionFile, options, operands))
    return status;
  operands.clear();
  if (const int status = ParseOptions(commandLine, TOptionSource::CommandLine, options, operands)) return status;
  if (options.Help) {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (options.Version) {
    std::printf("morvane-query %s\n", MORVANE_VERSION);
    return 0;
  }
  FinishOptions(operands, options);
  if (options.AskPassword) options.Login.Password = AskPassword();
  if (options.Scripts.empty())
    options.Scripts.emplace_back(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>{});

  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  TBatchOutput batch(stdout, options.ColumnNames && options.Silent == 0, options.Raw, options.Login.CharacterSet);
  const TQueryLogin& login = options.Login;
  if (options.Dataset && login.Protocol == MYSQL_PROTOCOL_SOCKET) {
    std::fputs("morvane-query: --dataset connects over TCP and takes no --socket or --protocol=socket\n", stderr);
    return 2;
  }
  if (options.Dataset) {
    const auto statements = Statements(options.Scripts, options.Delimiter, options.BinaryMode);
    return statements ? RunDatasetMode(options.Login, *statements, options.Fields, options.Verbose, batch) : 1;
  }

  if (!options.Tee.empty()) {
    // Without a terminal the reference client names and creates the file and writes nothing to it.
    std::printf("Logging to file '%s'\n", options.Tee.c_str());
    if (std::FILE* tee = std::fopen(options.Tee.c_str(), "a")) std::fclose(tee);
  }
  TQueryRunner runner;
  if (!runner.Connect(options.Login)) {
    ReportLoginError(runner.LastError());
    return 1;
  }
  if (options.Verbose) ReportHost(runner.ConnectedHost());
  runner.StreamRows(options.Quick);
  runner.AllowLocalFiles(options.LocalInfile);
  runner.ShowBinaryAsHex(options.BinaryAsHex);
  TTableOutput table(stdout, options.ColumnNames, options.Quick);
  TVerticalOutput vertical(stdout, options.ColumnNames);
  THtmlOutput html(stdout, options.ColumnNames, options.Quick);
  TXmlOutput xml(stdout);
  // -vvv draws tables, as the reference client does.
  if (options.EchoLevel > 2 && options.Layout == TLayout::Batch) options.Layout = TLayout::Table;
  TResultSink* const layouts[] = {&batch, &table, &vertical, &html, &xml};
  TResultSink& layout = *layouts[static_cast<int>(options.Layout)];
  TScriptRunner scripts(runner, options.Login, layout, vertical,
                        {.Force = options.Force,
                         .PrintStatement = options.PrintQueryOnError,
                         .AbortSourceOnError = options.AbortSourceOnError,
                         .ShowWarnings = options.ShowWarnings,
                         .Reading = {.KeepComments = options.Comments, .BinaryMode = options.BinaryMode},
                         .ClientVersion = "morvane-query " MORVANE_VERSION,
                         .EchoLevel = options.EchoLevel});
  std::string delimiter = options.Delimiter;
  for (const std::string& script : options.Scripts)
    if (!scripts.Run(script, delimiter)) break;
  if (options.EchoLevel > 1) SayBye();
  std::fflush(stdout);
  return scripts.ExitStatus();
}
