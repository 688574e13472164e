#pragma once
// The "status" command (\s): the session's connection, user, encryption, server and character sets
// between dashed lines, in the layout of the database's command-line client.
#include "tools/morvane-query/QueryRunner.h"

#include <string>

// Asks the server for what the session does not know itself; a value it does not give is left
// empty.
void PrintStatus(TQueryRunner& runner, const std::string& clientVersion, const std::string& delimiter);
