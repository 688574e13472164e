#pragma once
// Splits an SQL script into statements at each ";" outside quotes and comments, as the database's
// command-line client does with its standard input.
#include <string>
#include <string_view>
#include <vector>

// Statements without their ";" and surrounding blanks; pieces holding only blanks and comments are
// dropped. Comments inside a statement stay in its text.
std::vector<std::string> SplitStatements(std::string_view script);
