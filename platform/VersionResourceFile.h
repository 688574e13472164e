#pragma once
// Finding and reading the version resource of a module.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The version resource of a module, found as the system finds modules (see ResolveModuleFileName):
// from the resource directory of a Windows executable or DLL, or from the section in which this
// program's own ELF executables carry theirs. Nothing when the file is missing, unreadable or has none.
std::optional<std::vector<std::uint8_t>> ReadFileVersionResource(const std::string& fileName);
