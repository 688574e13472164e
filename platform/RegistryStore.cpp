#include "platform/RegistryStore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path, int error) {
  throw RegistryStoreError(what + " " + path.string() + ": " + std::strerror(error));
}

// Returns 0 or the errno of the failed write.
int WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    done += static_cast<size_t>(n);
  }
  return ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

fs::path RegistryStore::DefaultFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  fs::path base;
  if (config && *config) {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : ".") / ".config";
  }
  return base / "KOVA" / "current-user.reg";
}

RegistryStore::RegistryStore(fs::path file) : file_(std::move(file)) {
  std::ifstream in(file_, std::ios::binary);
  if (!in) return;
  std::ostringstream text;
  text << in.rdbuf();
  if (auto hive = RegistryHive::Parse(text.str()))
    hive_ = std::move(*hive);
  else
    unreadable_ = true;
}

bool RegistryStore::DiscardUnreadable() {
  std::error_code error;
  fs::rename(file_, fs::path(file_).concat(".unreadable"), error);
  if (error) return false;
  hive_ = RegistryHive();
  unreadable_ = false;
  return true;
}

bool RegistryStore::Writable() const {
  struct stat info {};
  if (::stat(file_.c_str(), &info) != 0) return errno == ENOENT;
  return (info.st_mode & S_IWUSR) && ::access(file_.c_str(), W_OK) == 0;
}

bool RegistryStore::KeepCopy(std::string_view suffix) const {
  std::error_code error;
  const fs::path copy = fs::path(file_).concat(suffix);
  fs::copy_file(file_, copy, fs::copy_options::overwrite_existing, error);
  if (!error) fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, error);
  return !error;
}

void RegistryStore::Change(const std::function<void(RegistryHive&)>& change) {
  RegistryHive before = hive_;
  change(hive_);
  try {
    Commit();
  } catch (const RegistryStoreError&) {
    hive_ = std::move(before);
    throw;
  }
}

void RegistryStore::Commit() {
  if (!Writable()) Fail("Cannot replace", file_, EACCES);
  std::error_code error;
  fs::create_directories(file_.parent_path(), error);
  if (error) Fail("Cannot create", file_.parent_path(), error.value());

  fs::path temporary = fs::path(file_).concat(".tmp-" + std::to_string(::getpid()));
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("Cannot create", temporary, errno);
  int writeError = WriteAll(fd, hive_.Serialize());
  if (::close(fd) != 0 && !writeError) writeError = errno;
  if (writeError) {
    ::unlink(temporary.c_str());
    Fail("Cannot write", temporary, writeError);
  }
  if (::rename(temporary.c_str(), file_.c_str()) != 0) {
    int e = errno;
    ::unlink(temporary.c_str());
    Fail("Cannot replace", file_, e);
  }
}
