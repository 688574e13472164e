#pragma once
// Options as the database's command-line client takes them: short (-h db, -hdb, bundled -tN) and
// long (--host=db, --host db), boolean switches also as --skip-, --disable- and --enable-, and the
// same names as "name=value" lines of option files.
#include "tools/morvane-query/ClientOptions.h"

#include <string>
#include <vector>

// Where an argument list came from: its errors are worded and counted differently.
enum class TOptionSource { CommandLine, OptionFile };

// Reads the arguments into the options; operands (arguments not starting with '-') are collected
// in order. A password given in an argument is overwritten there at once. Returns 0, or the exit
// status after the complaint was printed on standard error.
int ParseOptions(std::vector<char*> args, TOptionSource source, TClientOptions& options,
                 std::vector<std::string>& operands);

// The first operand is the database when it has no blanks, as the reference client takes it; the
// others, and a first one that does have blanks, are statements. Settles the encryption mode and
// the password from MYSQL_PWD.
void FinishOptions(const std::vector<std::string>& operands, TClientOptions& options);
