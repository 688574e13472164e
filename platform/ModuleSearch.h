#pragma once
// Where a module named by the program is found, as the system searches for it.
#include <filesystem>
#include <string>

// Where the system finds a module named by the program: an empty name is the running program itself,
// a name with a folder is taken as it is, and a bare name is looked for beside the running program,
// then in the current folder, then along PATH. A bare name found nowhere is returned unchanged.
std::filesystem::path ResolveModuleFileName(const std::string& name);
