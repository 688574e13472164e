#pragma once
// The short form of an error message that the status bar shows.
#include <string>
#include <string_view>

// The first line of an error's message, without the line break and the five-character SQL state
// ("#23000") that server errors begin with: "Lost connection to MySQL server during query".
std::string ShortErrorText(std::string_view message);
