#include "platform/AnsiTextFile.h"

#include "platform/AnsiText.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

TAnsiTextFile::TAnsiTextFile(const std::filesystem::path& file, TFileCreation creation, unsigned permissions)
    : file_(file) {
  int exclusive = creation == TFileCreation::New ? O_EXCL : 0;
  fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | exclusive, static_cast<mode_t>(permissions));
  if (fd_ < 0) Fail(errno);
}

TAnsiTextFile::~TAnsiTextFile() {
  if (fd_ >= 0) ::close(fd_);
}

void TAnsiTextFile::Fail(int error) const {
  throw EInOutError("Cannot write " + file_.string() + ": " + std::strerror(error));
}

void TAnsiTextFile::Write(std::string_view utf8) {
  std::string bytes = Utf8ToAnsi(utf8);
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(n < 0 ? errno : EIO);
    done += static_cast<size_t>(n);
  }
}

void TAnsiTextFile::WriteLine(std::string_view utf8) {
  Write(utf8);
  Write("\r\n");
}

void TAnsiTextFile::Flush() {
  if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
}

void TAnsiTextFile::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail(errno);
}
