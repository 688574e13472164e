#pragma once
// Looking values up in a version resource by their block path.
#include "platform/VersionResourceFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Looks up a value of a version resource by its path of block keys separated by backslashes:
// "\" is the root value, "\VarFileInfo\Translation" the translation table,
// "\StringFileInfo\040904E4\CompanyName" one string. Keys match without regard to ASCII case.
// The value's bytes, clipped to its block; nothing when the path or the resource is not well formed.
std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> resource,
                                                               std::string_view path);

// A string value (UTF-16LE) as UTF-8, up to its first zero character or its end.
std::string VersionValueText(std::span<const std::uint8_t> value);

// The root value as fixed information; nothing when it is too short or lacks the signature.
std::optional<VS_FIXEDFILEINFO> DecodeFixedFileInfo(std::span<const std::uint8_t> value);
