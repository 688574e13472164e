#pragma once
// The --dataset mode: statements run through the connection component and the query dataset,
// rows printed with each value as its field's text.
#include "tools/morvane-query/QueryRunner.h"
#include "tools/morvane-query/ResultSink.h"

#include <string>
#include <vector>

// Prints every row-returning statement's rows (and with printFields, before them, one line per
// field: name, field type, size); with verbose, the host reached goes to stderr first. Returns the
// process exit code; errors go to stderr.
int RunDatasetMode(const TQueryLogin& login, const std::vector<std::string>& statements, bool printFields, bool verbose,
                   TResultSink& output);
