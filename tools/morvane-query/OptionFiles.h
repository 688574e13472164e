#pragma once
// The option files the database's command-line client reads, in its order, so that a ~/.my.cnf
// written for it applies here too: /etc/my.cnf, /etc/mysql/my.cnf, $MYSQL_HOME/my.cnf, the
// --defaults-extra-file and ~/.my.cnf (a later setting wins), or only the --defaults-file, or none
// with --no-defaults. The groups read are [client], [client-server], [client-mariadb], [mysql] and
// [mariadb-client]; !include and !includedir are followed ten deep. A file anyone may write is
// passed over with a warning.
#include <string>
#include <vector>

struct TOptionFileArgs {
  std::vector<std::string> Args;  // "--name=value" or "--name", in the order read
  int Status = 0;                 // else the exit status; the complaint is printed
  bool PrintOnly = false;         // --print-defaults: the arguments are to be printed, nothing run
};

// Looks at the command line only for --no-defaults, --defaults-file=, --defaults-extra-file=,
// --defaults-group-suffix= and --print-defaults.
TOptionFileArgs ReadOptionFiles(const std::vector<std::string>& commandLine);
