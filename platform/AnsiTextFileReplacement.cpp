#include "platform/AnsiTextFileReplacement.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
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

}  // namespace

TAnsiTextFileReplacement::TAnsiTextFileReplacement(const std::filesystem::path& file)
    : file_(file), temporaryPath_(TemporaryPathFor(file)), temporary_(temporaryPath_, TFileCreation::New) {}

TAnsiTextFileReplacement::~TAnsiTextFileReplacement() {
  if (!committed_) ::unlink(temporaryPath_.c_str());
}

void TAnsiTextFileReplacement::Commit() {
  temporary_.Flush();
  temporary_.Close();
  if (std::rename(temporaryPath_.c_str(), file_.c_str()) != 0)
    throw EInOutError("Cannot write " + file_.string() + ": " + std::strerror(errno));
  committed_ = true;
  SyncFolder(file_.parent_path());
}
