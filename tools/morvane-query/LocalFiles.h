#pragma once
// Which statements may send a local file to the server: with --local-infile, a LOAD DATA (or LOAD
// XML) ... LOCAL INFILE statement, and no other, so that a server cannot ask for a file while
// another statement runs.
#include <string_view>

bool NamesLocalFile(std::string_view statement);
