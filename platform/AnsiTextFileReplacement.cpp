#include "platform/AnsiTextFileReplacement.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A name beside the file that no other replacement of this or another process uses at the same time.
std::filesystem::path TemporaryPathFor(const std::filesystem::path& file) {
  static std::atomic<unsigned> count{0};
  return file.string() + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++count);
}

// Makes the new name of a replaced file last on the device too; a folder that cannot be synced
// (some file systems refuse) keeps the name the system already shows.
void SyncFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Gives the new text the standing of the file it replaces. Only root may give a file away, so a
// refused change of owner leaves the user's own, which is no less private.
void TakeOverStanding(const std::filesystem::path& temporary, const std::filesystem::path& replaced) {
  struct stat old;
  if (::stat(replaced.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;
  (void)!::chown(temporary.c_str(), old.st_uid, old.st_gid);
  if (::chmod(temporary.c_str(), old.st_mode & 07777) != 0)
    throw EInOutError("Cannot write " + replaced.string() + ": " + std::strerror(errno));
}

}  // namespace

TAnsiTextFileReplacement::TAnsiTextFileReplacement(const std::filesystem::path& file)
    : file_(file), temporaryPath_(TemporaryPathFor(file)), temporary_(temporaryPath_, TFileCreation::New, 0600) {}

TAnsiTextFileReplacement::~TAnsiTextFileReplacement() {
  if (!committed_) ::unlink(temporaryPath_.c_str());
}

void TAnsiTextFileReplacement::Commit() {
  temporary_.Flush();
  temporary_.Close();
  TakeOverStanding(temporaryPath_, file_);
  if (std::rename(temporaryPath_.c_str(), file_.c_str()) != 0)
    throw EInOutError("Cannot write " + file_.string() + ": " + std::strerror(errno));
  committed_ = true;
  SyncFolder(file_.parent_path());
}
