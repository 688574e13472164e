#include "app/ShortErrorText.h"

std::string ShortErrorText(std::string_view message) {
  size_t start = message.find_first_not_of("\r\n");
  message.remove_prefix(start == std::string_view::npos ? message.size() : start);
  if (message.size() >= 6 && message.front() == '#') message.remove_prefix(6);
  return std::string(message.substr(0, message.find_first_of("\r\n")));
}
