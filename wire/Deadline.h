#pragma once
// The moment by which a whole exchange (a connect and its login) must be over, whatever the
// server sends in the meantime; or none.
#include <algorithm>
#include <chrono>

class TDeadline {
 public:
  using TClock = std::chrono::steady_clock;

  // No deadline.
  TDeadline() = default;
  // The given number of seconds from now; none for 0 or less.
  static TDeadline In(int seconds) {
    TDeadline deadline;
    if (seconds > 0) {
      deadline.FSeconds = seconds;
      deadline.FWhen = TClock::now() + std::chrono::seconds(seconds);
    }
    return deadline;
  }

  bool IsSet() const { return FSeconds > 0; }
  TClock::time_point When() const { return FWhen; }
  // The length it was given, for messages.
  int Seconds() const { return FSeconds; }
  // What is left of it, never below zero; only meaningful when it is set.
  std::chrono::milliseconds Left() const {
    return std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(FWhen - TClock::now()));
  }

 private:
  int FSeconds = 0;
  TClock::time_point FWhen;
};
