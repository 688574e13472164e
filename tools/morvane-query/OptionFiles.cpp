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

// A value as the reference client reads it: quotes removed with their escapes, else cut at a '#'
// that follows a blank.
std::string Value(std::string_view text) {
  text = Trimmed(text);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'')) {
    const char quote = text.front();
    std::string value;
    for (std::size_t i = 1; i < text.size() && text[i] != quote; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        const char escaped = text[++i];
        value += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped == 'r' ? '\r' : escaped == 's' ? ' ' : escaped;
      } else {
        value += text[i];
      }
    }
    return value;
  }
  for (std::size_t i = 1; i < text.size(); ++i)
    if (text[i] == '#' && std::isspace(static_cast<unsigned char>(text[i - 1])))
      return std::string(Trimmed(text.substr(0, i)));
  return std::string(text);
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
  TReader(std::vector<std::string>& args, std::string groupSuffix) : FArgs(args), FGroupSuffix(std::move(groupSuffix)) {}

  // False when the file cannot be opened.
  bool Read(const std::filesystem::path& path, int depth = 0) {
    std::ifstream file(path);
    if (!file) return false;
    if (WorldWritable(path)) return true;
    bool inGroup = false;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
      const std::string_view text = Trimmed(line);
      if (text.empty() || text[0] == '#' || text[0] == ';') continue;
      if (text[0] == '[') {
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

  std::vector<std::string>& FArgs;
  std::string FGroupSuffix;  // --defaults-group-suffix: [client_x] too for _x
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
    if (arg != "--no-defaults" && arg.rfind("--defaults-file=", 0) != 0 && arg.rfind("--defaults-extra-file=", 0) != 0 &&
        arg.rfind("--defaults-group-suffix=", 0) != 0)
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
    if (!reader.Read(*only)) result.Status = RequiredFileMissing(*only);
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
  return result;
}
