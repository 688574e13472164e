#pragma once
// printf-like formatting of message templates: %d, %x, %X, %s with optional "-", width and
// ".precision" (for %s the number of characters kept), "%%" for a percent sign.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using TFormatArg = std::variant<std::int64_t, std::string>;
using TFormatArgs = std::vector<TFormatArg>;

// Formats tmpl with args. A placeholder without a matching argument, or whose argument has the
// wrong kind, is left in the text as written.
std::string FormatTemplate(std::string_view tmpl, const TFormatArgs& args);
