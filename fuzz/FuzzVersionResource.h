#pragma once
// What the About box asks of a version resource, once one was read from a file.
#include "platform/VersionResourceFormat.h"
#include "platform/VersionResourceQuery.h"

#include <cstdint>
#include <optional>
#include <vector>

inline void QueryLikeTheAboutBox(const std::optional<std::vector<std::uint8_t>>& resource) {
  if (!resource) return;
  if (auto root = QueryVersionValue(*resource, "\\")) (void)DecodeFixedFileInfo(*root);
  (void)QueryVersionValue(*resource, "\\VarFileInfo\\Translation");
  if (auto text = QueryVersionValue(*resource, "\\StringFileInfo\\040904E4\\FileVersion"))
    (void)VersionValueText(*text);
}
