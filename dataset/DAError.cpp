#include "dataset/DAError.h"

#include <cctype>
#include <charconv>

namespace {

constexpr int SyntaxErrorCode = 1064;

int LastNumberIn(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && !std::isdigit(static_cast<unsigned char>(text[end - 1]))) --end;
  std::size_t begin = end;
  while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1]))) --begin;
  int number = 0;
  std::from_chars(text.data() + begin, text.data() + end, number);  // too long: stays 0
  return number;
}

}  // namespace

EMyError::EMyError(int errorCode, const std::string& message, TComponent* component)
    : EDAError(errorCode, message), Component(component) {
  if (errorCode == SyntaxErrorCode) LineNumber = LastNumberIn(message);
}

bool EMyError::IsFatalError() const {
  if (RefusedBeforeSending) return false;
  switch (ErrorCode) {
    case 1053:
    case 2003:
    case 2006:
    case 2013:
    // Packets out of order, a packet that cannot be inflated, too large or malformed: the byte
    // stream is out of step with the server, so the session is as good as lost.
    case 1156:
    case 1157:
    case 2020:
    case 2027:
      return true;
    default:
      return false;
  }
}

bool EMyError::IsKeyViolation() const {
  return ErrorCode == 1062;
}
