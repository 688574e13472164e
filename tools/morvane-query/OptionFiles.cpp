#include "tools/morvane-query/OptionFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view Groups[] = {"client", "client-server", "client-mariadb", "mysql", "mariadb-client"};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// One escaped character as the reference client reads it; an unknown escape stays as written.
void AppendEscaped(std::string& value, char c) {
  switch (c) {
    case 'n':
      value += '\n';
      break;
    case 't':
      value += '\t';
      break;
    case 'r':
      value += '\r';
      break;
    case 'b':
      value += '\b';
      break;
    case 's':
      value += ' ';
      break;
    case '\\':
    case '"':
    case '\'':
      value += c;
      break;
    default:
      value += '\\';
      value += c;
  }
}

// A value as the reference client reads it: inside quotes up to the closing one, else up to a
// '#', with the escapes of both read.
std::string Value(std::string_view text) {
  text = Trimmed(text);
  const char quote = text.empty() ? '\0' : text.front();
  const bool quoted = (quote == '"' || quote == '\'') && text.find(quote, 1) != std::string_view::npos;
  std::string value;
  for (std::size_t i = quoted ? 1 : 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted ? c == quote : c == '#') break;
    if (c == '\\' && i + 1 < text.size())
      AppendEscaped(value, text[++i]);
    else
      value += c;
  }
  return quoted ? value : std::string(Trimmed(value));
}

// As deep as the reference client follows !include and !includedir.
constexpr int MaxIncludeDepth = 10;

// A file anyone may write could send the password to another host: it is passed over.
bool WorldWritable(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error || (status.permissions() & std::filesystem::perms::others_write) == std::filesystem::perms::none)
    return false;
  std::fprintf(stderr, "Warning: World-writable config file '%s' is ignored\n", path.c_str());
  return true;
}

class TReader {
 public:
  TReader(std::vector<std::string>& args, std::string groupSuffix)
      : FArgs(args), FGroupSuffix(std::move(groupSuffix)) {}

  // 0, or the exit status after a file that cannot be read as option files are.
  int Status() const { return FStatus; }

  // False when the file cannot be opened.
  bool Read(const std::filesystem::path& path, int depth = 0) {
    std::ifstream file(path);
    if (!file) return false;
    if (WorldWritable(path)) return true;
    bool inGroup = false;
    bool anyGroup = false;
    std::string line;
    for (int number = 1; std::getline(file, line) && FStatus == 0; ++number) {
      const std::string_view text = Trimmed(line);
      if (text.empty() || text[0] == '#' || text[0] == ';') continue;
      if (text[0] == '[') {
        if (text.find(']') == std::string_view::npos)
          return Fatal("Wrong group definition in config file: " + Absolute(path) + " at line " +
                       std::to_string(number));
        anyGroup = true;
        std::string group(Trimmed(text.substr(1, text.find(']') - 1)));
        std::transform(group.begin(), group.end(), group.begin(), [](unsigned char c) { return std::tolower(c); });
        inGroup = std::any_of(std::begin(Groups), std::end(Groups), [&](std::string_view name) {
          return group == name || (!FGroupSuffix.empty() && group == std::string(name) + FGroupSuffix);
        });
      } else if (text[0] == '!' && depth >= MaxIncludeDepth) {
        std::fprintf(stderr,
                     "Warning: skipping '%s' directive as maximum includerecursion level was reached in file %s at "
                     "line %d\n",
                     std::string(text).c_str(), path.c_str(), number);
      } else if (text.rfind("!includedir", 0) == 0) {
        IncludeDirectory(std::string(Trimmed(text.substr(11))), depth + 1);
      } else if (text.rfind("!include", 0) == 0) {
        Read(std::string(Trimmed(text.substr(8))), depth + 1);
      } else if (!anyGroup) {
        return Fatal("Found option without preceding group in config file: " + Absolute(path) +
                     " at line: " + std::to_string(number));
      } else if (inGroup) {
        const std::size_t equals = text.find('=');
        const std::string name(Trimmed(text.substr(0, equals)));
        FArgs.push_back(equals == std::string_view::npos ? "--" + name
                                                         : "--" + name + "=" + Value(text.substr(equals + 1)));
      }
    }
    return true;
  }

 private:
  void IncludeDirectory(const std::filesystem::path& directory, int depth) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error))
      if (entry.path().extension() == ".cnf") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) Read(path, depth);
  }

  static std::string Absolute(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::absolute(path, error).string();
  }

  bool Fatal(const std::string& message) {
    std::fprintf(stderr, "error: %s\nFatal error in defaults handling. Program aborted\n", message.c_str());
    FStatus = 1;
    return true;
  }

  std::vector<std::string>& FArgs;
  std::string FGroupSuffix;  // --defaults-group-suffix: [client_x] too for _x
  int FStatus = 0;
};

std::optional<std::string> Setting(const std::vector<std::string>& commandLine, std::string_view name) {
  for (const std::string& arg : commandLine)
    if (arg.rfind(name, 0) == 0) return arg.substr(name.size());
  return std::nullopt;
}

// --print-defaults counts only among the option-file options the command line starts with.
bool PrintOnly(const std::vector<std::string>& commandLine) {
  for (const std::string& arg : commandLine) {
    if (arg == "--print-defaults") return true;
    if (arg != "--no-defaults" && arg.rfind("--defaults-file=", 0) != 0 &&
        arg.rfind("--defaults-extra-file=", 0) != 0 && arg.rfind("--defaults-group-suffix=", 0) != 0)
      return false;
  }
  return false;
}

int RequiredFileMissing(const std::string& path) {
  std::fprintf(stderr, "Could not open required defaults file: %s\nFatal error in defaults handling. Program aborted\n",
               path.c_str());
  return 1;
}

}  // namespace

TOptionFileArgs ReadOptionFiles(const std::vector<std::string>& commandLine) {
  TOptionFileArgs result;
  result.PrintOnly = PrintOnly(commandLine);
  if (Setting(commandLine, "--no-defaults")) return result;
  TReader reader(result.Args, Setting(commandLine, "--defaults-group-suffix=").value_or(""));
  if (const auto only = Setting(commandLine, "--defaults-file=")) {
    result.Status = reader.Read(*only) ? reader.Status() : RequiredFileMissing(*only);
    return result;
  }
  reader.Read("/etc/my.cnf");
  reader.Read("/etc/mysql/my.cnf");
  if (const char* home = std::getenv("MYSQL_HOME")) reader.Read(std::filesystem::path(home) / "my.cnf");
  if (const auto extra = Setting(commandLine, "--defaults-extra-file=")) {
    if (!reader.Read(*extra)) {
      result.Status = RequiredFileMissing(*extra);
      return result;
    }
  }
  if (const char* home = std::getenv("HOME")) reader.Read(std::filesystem::path(home) / ".my.cnf");
  result.Status = reader.Status();
  return result;
}
