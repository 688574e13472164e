#pragma once
// Asks for the password on the terminal, as the reference client does for -p without a value.
#include <optional>
#include <string>

// Writes "Enter password: " to /dev/tty and reads a line there with the echo off; nothing when the
// process has no terminal.
std::optional<std::string> AskPassword();
