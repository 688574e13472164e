#include "tools/morvane-query/PasswordPrompt.h"

#include <cstdio>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char Prompt[] = "Enter password: ";

// A line read a byte at a time, so that what follows it stays for whoever reads the input next.
std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n' && c != '\r') line += c;
  return line;
}

}  // namespace

std::string AskPassword() {
  const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) {
    // Without a terminal the prompt goes to standard error and the password is the first line of
    // standard input; the script after it is read as usual.
    std::fputs(Prompt, stderr);
    std::fflush(stderr);
    return ReadLine(STDIN_FILENO);
  }
  // The echo goes off before the prompt shows, so that nothing typed after it is echoed; what was
  // typed ahead stays.
  termios saved{};
  const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
  if (isTerminal) {
    termios silent = saved;
    silent.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    ::tcsetattr(tty, TCSANOW, &silent);
  }
  [[maybe_unused]] const ssize_t shown = ::write(tty, Prompt, sizeof Prompt - 1);
  std::string password = ReadLine(tty);
  if (isTerminal) ::tcsetattr(tty, TCSANOW, &saved);
  [[maybe_unused]] const ssize_t newline = ::write(tty, "\n", 1);
  ::close(tty);
  return password;
}
