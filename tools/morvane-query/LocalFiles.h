#pragma once
// Which local file a statement may send to the server: with --local-infile, the file a LOAD DATA
// (or LOAD XML) ... LOCAL INFILE statement names, and no other, so that a server can neither ask
// for a file while another statement runs nor for another file than the statement's.
#include <optional>
#include <string>
#include <string_view>

// The file named by a LOAD DATA/XML ... LOCAL INFILE 'name' statement, its literal read as the
// server reads it; nothing for any other statement.
std::optional<std::string> LocalFileNamed(std::string_view statement);
