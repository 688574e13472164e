#pragma once
// Asks for the password on the terminal, as the reference client does for -p without a value.
#include <string>

// Writes "Enter password: " to /dev/tty and reads a line there with the echo off; without a
// terminal, writes it to standard error and reads the first line of standard input.
std::string AskPassword();
