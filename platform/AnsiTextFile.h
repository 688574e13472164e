#pragma once
// Text files written in the single-byte code page with checked writes.
#include <filesystem>
#include <stdexcept>
#include <string_view>

class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How a file is created: anew in place of any file of the name, or only when no such file exists.
enum class TFileCreation { Replace, New };

// A text file written in the single-byte code page with CR LF line ends. It is created anew;
// every write is checked, and the first failure raises EInOutError, leaving what was written
// before it in the file.
class TAnsiTextFile {
 public:
  // permissions apply to a file this creates (less the process's umask), as open(2) takes them.
  explicit TAnsiTextFile(const std::filesystem::path& file, TFileCreation creation = TFileCreation::Replace,
                         unsigned permissions = 0644);
  ~TAnsiTextFile();
  TAnsiTextFile(const TAnsiTextFile&) = delete;
  TAnsiTextFile& operator=(const TAnsiTextFile&) = delete;

  void Write(std::string_view utf8);
  void WriteLine(std::string_view utf8);
  // Forces what was written to the storage device, as a removable card needs.
  void Flush();
  void Close();

 private:
  [[noreturn]] void Fail(int error) const;

  std::filesystem::path file_;
  int fd_ = -1;
};
