#include "wire/CRVioUnixSocket.h"

#include "wire/MessageFormat.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <afunix.h>
#else
#include <sys/un.h>
#endif

namespace {

// ETIMEDOUT, which the database's own clients report for a connect that outlasted its time-out.
#ifdef _WIN32
constexpr int TimedOutCode = WSAETIMEDOUT;
#else
constexpr int TimedOutCode = ETIMEDOUT;
#endif

}  // namespace

bool TCRVioUnixSocket::Open(const std::chrono::steady_clock::time_point* deadline) {
  // Worded as the database's own clients word it, the system's code in parentheses.
  auto fail = [this](int code) {
    SetLastError(code,
                 FormatTemplate("Can't connect to local server through socket '%s' (%d)", {FPath, std::int64_t{code}}));
    return false;
  };
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (FPath.empty()) return fail(ENOENT);
  if (FPath.size() >= sizeof address.sun_path) return fail(ENAMETOOLONG);
  std::memcpy(address.sun_path, FPath.data(), FPath.size());

  using TResult = TSocketAttempt::TResult;
  const TSocketAttempt attempt =
      ConnectStreamSocket(reinterpret_cast<const sockaddr*>(&address), sizeof address, 0, deadline);
  if (attempt.Result == TResult::NoSocket) {
    SetLastError(attempt.Code, FormatTemplate("Can't create UNIX socket (%d)", {std::int64_t{attempt.Code}}));
    return false;
  }
  FSd = attempt.Socket;
  if (attempt.Result == TResult::TimedOut) return fail(TimedOutCode);
  if (attempt.Result == TResult::Failed) return fail(attempt.Code);
  return true;
}
