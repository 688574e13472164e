#pragma once
// The path of the running program and of the files named after it.
#include <filesystem>

// Full path of the running program's executable; empty when the system cannot tell.
std::filesystem::path ExecutablePath();

// The executable's path with its extension replaced, e.g. /opt/kova/Morvane -> /opt/kova/Morvane.ini.
std::filesystem::path ExecutableSibling(const std::string& extension);
