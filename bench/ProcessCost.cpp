// Runs one command as a whole process and reports what it cost: CPU seconds (user and system,
// start-up and exit included), wall seconds and peak resident memory. The command keeps this
// program's standard input and output, so its output can be piped on and checked; the figures go
// to standard error as one line:
//   morvane-process-cost LABEL COMMAND [ARGUMENT...]
//   -> LABEL cpu=0.412 user=0.380 sys=0.032 wall=0.530 maxrss_kib=9876
#include <chrono>
#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: morvane-process-cost LABEL COMMAND [ARGUMENT...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    return 2;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0) {
    std::perror("wait4");
    return 2;
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double user = Seconds(usage.ru_utime), sys = Seconds(usage.ru_stime);
  std::fprintf(stderr, "%s cpu=%.3f user=%.3f sys=%.3f wall=%.3f maxrss_kib=%ld\n", argv[1], user + sys, user, sys,
               wall, usage.ru_maxrss);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
