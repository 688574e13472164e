#include "tools/morvane-query/PasswordPrompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

std::optional<std::string> AskPassword() {
  const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return std::nullopt;
  // The echo goes off before the prompt shows, so that nothing typed after it is echoed; what was
  // typed ahead stays.
  termios saved{};
  const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
  if (isTerminal) {
    termios silent = saved;
    silent.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    ::tcsetattr(tty, TCSANOW, &silent);
  }
  constexpr char Prompt[] = "Enter password: ";
  [[maybe_unused]] const ssize_t shown = ::write(tty, Prompt, sizeof Prompt - 1);
  std::string password;
  char c = 0;
  while (::read(tty, &c, 1) == 1 && c != '\n' && c != '\r') password += c;
  if (isTerminal) ::tcsetattr(tty, TCSANOW, &saved);
  [[maybe_unused]] const ssize_t newline = ::write(tty, "\n", 1);
  ::close(tty);
  return password;
}
