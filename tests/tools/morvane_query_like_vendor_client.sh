#!/usr/bin/env bash
# morvane-query and the database's own command-line client, given the same command lines and
# scripts, print the same standard output and standard error and end with the same exit status.
# Messages that start with the program's name ("mariadb: unknown option '--foo'") differ by that
# name only. Both are given --default-character-set=utf8mb4: the reference client's default follows
# the locale (utf8mb3 here, so four-byte characters come back as '?'), morvane-query's is utf8mb4.
#
# Known differences (the same list is in the man page), each checked below on morvane-query alone
# where it can be:
#  - where the reference client crashes, spins or loses data, this one does not: a script that
#    sources itself ends after 64 files; an empty --delimiter is refused (exit 5); -p without a
#    terminal reads the password from the first input line and runs the script after it;
#  - without --force a failure inside a sourced file ends the run with 1, as with
#    --abort-source-on-error (the reference client goes on and exits with 0);
#  - LOAD DATA LOCAL sends a file only with --local-infile (the reference client sends it unasked);
#  - --ssl-crl and --ssl-crlpath ask for the server's certificate to be verified, as --ssl-ca
#    does here (the reference client checks revocation only with --ssl-verify-server-cert);
#  - what a script printed before "system" comes before the command's output;
#  - a refused connection names the system's reason (111), not EINPROGRESS (115);
#  - --print-defaults names this program; --verbose names the host reached (-v, -vv, -vvv are the
#    reference client's levels); help names this program in the three lines where the reference
#    client names itself, and status this program and its version;
#  - with --force, what a sourced file left unfinished before a NUL byte is dropped (the reference
#    client glues it to the next statement of the file that sourced it);
#  - a statement begun before \. on its line is run after the sourced file (the reference client
#    drops it);
#  - with --binary-as-hex a NULL of a binary column shows as NULL (the reference client prints 0x,
#    as for an empty value, in the batch and table layouts).
# Not compared: --version and --help (each names its own program and options), --password with a
# blank (it asks on the terminal; see morvane_query_password.sh), --protocol=pipe (the vendor's
# error number for it is 2047, this client's table has it at 2046), TLS failures (each words
# OpenSSL's reason its own way) and -vvv (it prints the time taken).
# Usage: morvane_query_like_vendor_client.sh <path of morvane-query>
set -uo pipefail
query=$1

source "$(dirname "$0")/../support/require_test_db.sh"
require_test_db MORVANE_TEST_DB_HOST MORVANE_TEST_DB_PORT MORVANE_TEST_DB_SOCKET MORVANE_TEST_DB_DATABASE \
  MORVANE_TEST_DB_NATIVE_USER MORVANE_TEST_DB_NATIVE_PASSWORD MORVANE_TEST_DB_TLS_DIR
# $work (removed at exit), $failures and fail "what".
source "$(dirname "$0")/../support/checks.sh"

host=$MORVANE_TEST_DB_HOST port=$MORVANE_TEST_DB_PORT db=$MORVANE_TEST_DB_DATABASE
user=$MORVANE_TEST_DB_NATIVE_USER password=$MORVANE_TEST_DB_NATIVE_PASSWORD
cs=--default-character-set=utf8mb4
login=(--no-defaults "$cs" -h "$host" -P "$port" -u "$user" "-p$password" "$db")

# same <stdin file> <arguments...>: both programs, compared; run through "${detached[@]}" when set,
# and with the lines that necessarily differ taken out of both standard outputs by "${masked[@]}"
# (sed's arguments) when set.
detached=()
masked=()
same() {
  local input=$1
  shift
  "${detached[@]}" mariadb "$@" <"$input" >"$work/vendor.out" 2>"$work/vendor.err"
  local vendorStatus=$?
  "${detached[@]}" "$query" "$@" <"$input" >"$work/ours.out" 2>"$work/ours.err"
  local ourStatus=$?
  [ ${#masked[@]} -eq 0 ] || sed -i "${masked[@]}" "$work/vendor.out" "$work/ours.out"
  sed -i 's/^mariadb: /morvane-query: /; s/^Warning: mariadb: /Warning: morvane-query: /; s/and mysql is run in/and morvane-query is run in/' \
    "$work/vendor.err"
  local what="${*: -1}"
  if ! cmp -s "$work/vendor.out" "$work/ours.out"; then
    fail "standard output differs for: ${what:0:70}"
    diff "$work/vendor.out" "$work/ours.out" | head -20 >&2
  fi
  if ! cmp -s "$work/vendor.err" "$work/ours.err"; then
    fail "standard error differs for: ${what:0:70}"
    diff "$work/vendor.err" "$work/ours.err" | head -20 >&2
  fi
  [ "$vendorStatus" -eq "$ourStatus" ] || fail "exit status $ourStatus instead of $vendorStatus for: ${what:0:70}"
}

script() {  # script <name> <text>: a script file in $work
  printf '%s' "$2" >"$work/$1"
  echo "$work/$1"
}

mariadb "${login[@]}" -e "
  DROP TABLE IF EXISTS vendor_cli;
  CREATE TABLE vendor_cli (id INT NOT NULL PRIMARY KEY, name VARCHAR(40) NULL, amount DECIMAL(8,2) NULL,
                           wide VARCHAR(40) NULL) CHARACTER SET utf8mb4;
  INSERT INTO vendor_cli VALUES (1, 'Grüße', 1.5, '日本語テキスト'), (2, NULL, -20.25, NULL),
                                (3, 'tab\\there\\\\back', NULL, 'ｱＡ가 and 😀'), (4, '', 0, 'narrow');" ||
  { echo "FAIL: cannot prepare the table" >&2; exit 1; }

none=/dev/null
select="SELECT * FROM vendor_cli ORDER BY id"

# Options: short, attached, --opt=value and --opt value forms; the database as an operand or -D.
same $none --no-defaults "$cs" -h "$host" -P "$port" -u "$user" "-p$password" -D "$db" -e "$select"
same $none --no-defaults "$cs" "-h$host" "-P$port" "-u$user" "-p$password" "-D$db" -e "$select"
same $none --no-defaults "$cs" --host="$host" --port="$port" --user="$user" --password="$password" \
  --database="$db" --execute="$select"
same $none --no-defaults "$cs" --host "$host" --port "$port" --user "$user" "-p$password" --database "$db" \
  --execute "$select"
same $none "${login[@]}" -BNe "SELECT 'bundled' AS how"
same $none "${login[@]}" --skip-column-names --batch -e "$select"
same $none --no-defaults "$cs" -h "$host" -P "$port" -u "$user" -pwrong -e "SELECT 1"

# An option file: [client] and [mysql] are read, [mariadb] is not; a loose- option only warns.
cat >"$work/my.cnf" <<CNF
[client]
host = $host
port=$port
user=$user
password="$password"
loose-no-such-option = 1
[mysql]
database=$db
default-character-set=utf8mb4
[mariadb]
user=nobody
CNF
same $none --defaults-file="$work/my.cnf" -e "SELECT CURRENT_USER() AS who, DATABASE() AS db"
printf '[client]\nno-such-option=1\n' >"$work/bad.cnf"
same $none --defaults-file="$work/bad.cnf" -e "SELECT 1"
same $none --defaults-file="$work/missing.cnf" -e "SELECT 1"

# An option file anyone may write is passed over with a warning, included or not, and in $HOME.
printf '[client]\nhost=no.such.host.invalid\nenable-cleartext-plugin\n' >"$work/open.cnf"
chmod 666 "$work/open.cnf"
same $none --defaults-file="$work/open.cnf" "$cs" -h "$host" -P "$port" -u "$user" "-p$password" -e "SELECT 1 AS one"
printf '[client]\nhost=%s\n!include %s\n' "$host" "$work/open.cnf" >"$work/includes-open.cnf"
same $none --defaults-file="$work/includes-open.cnf" "$cs" -P "$port" -u "$user" "-p$password" -e "SELECT 1 AS one"
mkdir "$work/home" && cp "$work/open.cnf" "$work/home/.my.cnf" && chmod 666 "$work/home/.my.cnf"
HOME=$work/home same $none "$cs" -h "$host" -P "$port" -u "$user" "-p$password" -e "SELECT 1 AS one"

# Login defaults: the system user without -u, MYSQL_HOST and MYSQL_TCP_PORT below the command line,
# $MYSQL_HOME/my.cnf, and -p without a terminal reading the password from the first input line.
same $none --no-defaults "$cs" -h "$host" -P "$port" -e "SELECT 1"
MYSQL_HOST=$host MYSQL_TCP_PORT=$port same $none --no-defaults "$cs" -u "$user" "-p$password" -e "SELECT 1 AS env"
MYSQL_HOST=nowhere.invalid MYSQL_TCP_PORT=1 same $none --no-defaults "$cs" -h "$host" -P "$port" -u "$user" \
  "-p$password" -e "SELECT 2 AS env"
mkdir "$work/mysql-home" && printf '[client]\nuser=%s\npassword=%s\n' "$user" "$password" >"$work/mysql-home/my.cnf"
MYSQL_HOME=$work/mysql-home HOME=$work/mysql-home same $none "$cs" -h "$host" -P "$port" -e "SELECT CURRENT_USER() LIKE '$user@%' AS me"
detached=(setsid -w)
same "$(script password-line $'wrong\n')" --no-defaults "$cs" -h "$host" -P "$port" -u "$user" -p -e "SELECT 1"
detached=()
# Known difference: the reference client loses the script after the password line; it is run here.
out=$(printf '%s\nSELECT 1 AS after_password;\n' "$password" |
  setsid -w "$query" --no-defaults "$cs" -h "$host" -P "$port" -u "$user" -p "$db" 2>&1)
[ "$out" = $'Enter password: after_password\n1' ] || fail "the script after a password line: $out"

# Output layouts: -N, -r, -s, --table and --vertical with UTF-8 text (wide characters take two
# cells, four-byte ones none) and NULLs, \G for one statement.
for layout in -N -r -s -t -tN -E -EN; do same $none "${login[@]}" "$layout" -e "$select"; done
same $none "${login[@]}" -t -e "SELECT 12345 AS n UNION ALL SELECT NULL; SELECT NULL AS nothing, 1 AS one"
# NUL shows as a blank; a column wider than 1024 is padded to 1024 only.
for layout in -t -E; do
  same $none "${login[@]}" "$layout" -e "SELECT CONCAT('a', CHAR(0), 'b') AS nul, REPEAT('x', 1100) AS long_text,
    1e10 AS f UNION ALL SELECT 'c', 'y', 2.5"
done
same $none "${login[@]}" -e "SELECT id, wide FROM vendor_cli WHERE id < 3 ORDER BY id\\G SELECT 'after' AS batch"
same $none "${login[@]}" -t -e "SELECT id FROM vendor_cli WHERE id > 100"

# Several statements in -e, the session's row count (no found-rows flag), a lone ';'.
same $none "${login[@]}" -e "SELECT 1 AS a; SELECT 'two' AS b; DO 3; SELECT 4 AS d"
same $none "${login[@]}" -e "UPDATE vendor_cli SET amount = amount; SELECT ROW_COUNT() AS changed"
# The login asked for the character set: no SET NAMES follows it.
same $none "${login[@]}" -e "SHOW SESSION STATUS LIKE 'Com_set_option'"
same $none "${login[@]}" -e ";"
# The connect time-out does not limit a statement.
same $none "${login[@]}" --connect-timeout=1 -e "SELECT SLEEP(2) AS slept"
same "$(script lone.sql $';\n')" "${login[@]}"

# Errors: the failing statement and its line, exit 1; --force goes on (and ends with 0).
failing=$(script failing.sql $'SELECT 1 AS first;\n\nSELECT *\n  FROM no_such_table;\nSELECT 2 AS after;\n')
same "$failing" "${login[@]}"
same "$failing" "${login[@]}" --force
same "$failing" "${login[@]}" -B
same $none "${login[@]}" -e $'SELECT 1;\n/* note */ SELECT nosuch; SELECT 3' -f
same $none "${login[@]}" -e "SELECT nosuch" --skip-print-query-on-error --skip-line-numbers
same $none "${login[@]}" -e "use no_such_database"

# Client commands as the reference client runs them without a terminal: none of them reaches the
# server or swallows the statement after it.
commands=(
  $'system echo from the shell; SELECT 1 AS a;'
  $'\\! echo again\nSELECT 2 AS b;'
  $'charset latin1\nSELECT @@character_set_client AS cs;\n\\C utf8mb4\nSELECT @@character_set_client AS cs;'
  $'warnings\nSELECT 1/0 AS w;\nSELECT 1/0 AS w, 1/0 AS v\\G\nnowarning\nSELECT 1/0 AS w;'
  $'SELECT 1 AS a;\\W\nSELECT 1/0 AS w;\\w\nSELECT 1/0 AS w;\nwarnings;\nSELECT nosuch;'
  $'tee '"$work"$'/tee.out\nSELECT 1 AS a;\nnotee\npager less\nSELECT 2 AS b;\nnopager\nrehash\nprompt db> \nprompt\nSELECT 3 AS c;'
  $'connect\nSELECT DATABASE() AS db;\nconnect information_schema\nSELECT DATABASE() AS db;\nconnect no_such_db\nSELECT 4;'
  $'go\nSELECT 1 AS a\ngo\nego\nSELECT 2 AS b;\n\\g\n\\G\nSELECT 3 AS c;'
  $'SELECT 1 AS a\\p;\nSELECT 2 AS b\\p\nSELECT 3;'
  $'SELECT 1 AS a;\\q\nSELECT 2;'
  $'SELECT 1 AS a \\x;\nSELECT 2;'
  $'SELECT \'\\N\' AS a, \\N AS b;\nclear\nSELECT 1 AS a \\c SELECT 2 AS b;'
  $'use information_schema\nsandbox\nSELECT 5 AS e;'
)
for text in "${commands[@]}"; do same "$(script commands.sql "$text")" "${login[@]}"; done
same "$(script commands.sql $'SELECT 1 AS a \\x;\nSELECT 2;')" "${login[@]}" --force
# help lists the commands as there, but for the lines where the reference client names itself;
# status tells the same of the session, but for the client's own name and version, the connection's
# number, and the server's uptime and counters of the moment.
masked=(-e '/^\(exit\|prompt\|quit\) *(\\[qR])/d')
same "$(script help.sql $'help\nSELECT 1 AS a;\n\\h\n?\nhelp;')" "${login[@]}"
masked=(-e '/^mariadb  Ver \|^morvane-query [0-9]/d; /^Connection id:/d; /^Uptime:/d; /^Threads:/d')
for how in "" --skip-ssl; do
  same "$(script status.sql $'status\nCREATE TEMPORARY TABLE ai (id INT AUTO_INCREMENT PRIMARY KEY);
INSERT INTO ai VALUES (NULL), (NULL);\n\\s\nDELIMITER //\nSELECT 1/0 AS w//\nstatus\nuse information_schema\n\\s')" "${login[@]}" $how
done
same "$(script status.sql $'status')" --no-defaults "$cs" -S "$MORVANE_TEST_DB_SOCKET" -u "$user" "-p$password"
masked=()
same $none "${login[@]}" --show-warnings -e "SELECT 1/0 AS w; SELECT 2 AS two"
# Known difference: what a script printed before "system" comes before the command's output.
out=$("$query" "${login[@]}" -e $'SELECT 1 AS a;\nsystem echo then the shell' 2>&1)
[ "$out" = $'a\n1\nthen the shell' ] || fail "system: $out"

# A statement that fails after its first rows prints none of them, unless --quick streamed them.
halfway="SELECT id, (SELECT 1 UNION SELECT 2 FROM DUAL WHERE id > 2) AS s FROM vendor_cli ORDER BY id"
for how in "" --force --quick "--quick --force" -t -E "-E --quick" "-t --quick" "-X --quick" "-H --quick"; do
  same $none "${login[@]}" $how -e "SELECT 'before' AS b; $halfway; SELECT 'after' AS a"
done

# A procedure script with DELIMITER, comments, use, source and quit.
included=$(script included.sql $'SELECT 10 AS included;\n')
same "$(script procedure.sql "DROP PROCEDURE IF EXISTS vendor_cli_p;
DELIMITER //
CREATE PROCEDURE vendor_cli_p(x INT)
BEGIN
  SELECT x AS val; -- a comment; with a semicolon
  SELECT x * 2 AS doubled;
END //
DELIMITER ;
CALL vendor_cli_p(21);
# a hash comment
use $db
SELECT DATABASE()\\G
source $included
DROP PROCEDURE vendor_cli_p;
quit
SELECT 'not reached';
")" "${login[@]}"
same "$(script missing-source.sql $'SELECT 1;\nsource /no/such/file.sql\nSELECT 2;\n')" "${login[@]}"

# The rest of a line after use, source and quit is read as there: nothing after "use db;" is lost.
rest=(
  $'use information_schema; DELETE FROM kova.vendor_cli WHERE id = 4; SELECT COUNT(*) AS n FROM kova.vendor_cli;'
  $'use `kova`;SELECT DATABASE() AS db;\nuse \'information_schema\' ; SELECT DATABASE() AS db;'
  $'use `cli test`; SELECT 1;'
  $'use kova extra words; SELECT 2 AS two;\nuse\nSELECT 3 AS three;'
  $'use information_schema\\g SELECT DATABASE() AS db;\n\\u kova SELECT 1;\nSELECT DATABASE() AS db;'
  $'SELECT 1 AS a; use information_schema; SELECT DATABASE() AS db;'
  $'source '"$included"$'; SELECT 2 AS b;\nSELECT 3 AS c; source '"$included"$'; SELECT 4 AS d;'
  $'source '"$included"$' SELECT 2 AS b;'
  $'\\. '"$included"$'; SELECT 5;'
  $'quit;\nSELECT 2;'
  $'  QUIT \nSELECT 2;'
  $'exit\nSELECT 2;'
  $'SELECT 1 AS a; exit'
  $'SELECT 1 AS a \\q SELECT 2;'
  $'SELECT 1 AS a;\\q\nSELECT 2;'
  $'DELIMITER //\nuse kova// SELECT 1 AS d//\nuse kova; SELECT 3 AS e//\nDELIMITER ;\nSELECT 4 AS f;'
  $'delimiter \nSELECT 1 AS still;'
)
for text in "${rest[@]}"; do same "$(script rest.sql "$text")" "${login[@]}"; done
same "$(script quit-force.sql $'quit;\nSELECT 2 AS forced;')" "${login[@]}" --force
# Known difference: a statement begun before \. on its line is kept and ended after the sourced
# file (the reference client drops it).
out=$("$query" "${login[@]}" <"$(script pending-source.sql $'SELECT 2 AS b \\. '"$included"$'\n;')" 2>&1)
[ "$out" = $'included\n10\nb\n2' ] || fail "a statement begun before \\.: $out"

# After "sandbox" (a dump's first line says it inside a comment the server skips) no command may
# reach the file system; the backslash commands and quotes inside such a comment are read as there.
sandbox=(
  $'sandbox\nSELECT 1 AS a;\nsystem echo not run\nSELECT 2 AS b;\nsource '"$included"$'\nSELECT 3 AS c;'
  $'\\-\ntee '"$work"$'/sandbox.out\nnotee\npager less\nnopager\n\\. '"$included"$'\nconnect\n\\! echo not run\nSELECT 4;'
  $'/*M!999999\\- enable the sandbox mode */\nSELECT 1 AS a;\nsystem echo not run\nSELECT 2 AS b;'
  $'/*!40101 SELECT \'a\\nb\' AS x */;\n/*!40101 SELECT \'a\\Gb\' AS y, "q\\\'" AS z */;\n/*!40101 SELECT 1 AS w */ \\G'
  $'SELECT 1 AS a /*!50000 \\G */;\n/*!40101 SELECT 1 AS a; SELECT 2 AS b */;\n/*!40101 SELECT 3 AS c -- x\n */;'
)
for text in "${sandbox[@]}"; do
  for how in "" -f; do same "$(script sandbox.sql "$text")" "${login[@]}" $how; done
done
[ ! -e "$work/sandbox.out" ] || fail "tee wrote a file in the sandbox"

# Carriage returns and NUL bytes: without --binary-mode a carriage return before a line break is
# dropped and a NUL ends the reading with an error, even with --force; a file that sourced it goes on
# with --force. With it both are kept in the statement, and the only client commands are DELIMITER
# and \C: the others go to the server as SQL, and a backslash command is unknown.
printf "SELECT 'a\0b' AS nul;\n" >"$work/nul.sql"
binary=(
  $'SELECT \'a\r\nb\' AS x, HEX(\'a\r\nb\') AS h;\r\nSELECT\r\n2 AS two;\r\nDELIMITER //\r\nSELECT 3 AS d//\r\nDELIMITER ;\r\nuse kova\r\nSELECT DATABASE() AS db;\r\n'
  "$(printf "SELECT HEX('a\0b') AS h, LENGTH('a\0b') AS l;\nSELECT 2 AS after;\n" | tr '\0' '\1')"
  $'SELECT 1 AS a;\nSELECT \'x\',\n  \'a\1b\' AS h;\nSELECT 2;\n'
  $'SELECT 5 AS a;\n\nSELECT 6 AS b,\n7;\nuse kova\n\1\nSELECT 8;\n'
  $'SELECT 5 AS a;\nsource '"$work/nul.sql"$'\nSELECT 2 AS after;\n'
  $'SELECT 1 AS a\\G\nSELECT 2 AS b;\nuse information_schema\nSELECT DATABASE() AS d;\nsource '"$included"$'\nSELECT 3 AS c;
\\C latin1\nSELECT @@character_set_client AS cs;\ncharset utf8\nSELECT @@character_set_client AS cs;\n\\q\nSELECT 6;\n'
  $'SELECT 1 AS a -- comment ; here\n, 2 AS b; # hash\nSELECT \'x;\\\\y\' AS q, /* c; */ 3 AS c, \\N AS n;\n\\d //\nSELECT 4//\n'
  $'SELECT 1 AS a\\c SELECT 3;\nSELECT 2;\n'
  $'SELECT \'a\\\\Cb\' AS x; \\C utf8mb4 SELECT 5 AS y;\nSELECT @@character_set_client AS cs;\n'
  $'DELIMITER ;;\nuse information_schema;;\nSELECT 4 AS x;;\nquit;;\nSELECT 7 AS y;;\ndelimiter ;\n\\. '"$included"$'\nSELECT 1 AS a; use kova; SELECT 2 AS b;\nexit\nSELECT 3;\n'
)
for text in "${binary[@]}"; do
  # \1 stands for a NUL, which bash strings cannot hold.
  printf '%s' "$text" | tr '\1' '\0' >"$work/binary.sql"
  for how in "" -f --binary-mode "--binary-mode -f"; do same "$work/binary.sql" "${login[@]}" $how; done
done
same "$work/nul.sql" "${login[@]}" --binary-mode -t
same "$work/nul.sql" "${login[@]}" --binary-mode -E
# Known difference: with --force, the reference client glues what a sourced file left unfinished
# before its NUL to the next statement of the file that sourced it; here that file goes on as it is.
printf "SELECT 1 AS a;\nsource %s\nSELECT 3 AS c;\n" "$work/nul.sql" | sed 's/nul.sql/half-nul.sql/' >"$work/sources-nul.sql"
printf "SELECT 'x',\n 'a\0b';\n" >"$work/half-nul.sql"
out=$("$query" "${login[@]}" -f <"$work/sources-nul.sql" 2>/dev/null)
status=$?
[ "$status" -eq 0 ] && [ "$out" = $'a\n1\nc\n3' ] || fail "a NUL in a sourced file with --force: status $status: $out"

# Self-including option files and self-sourcing scripts end, and an empty delimiter is refused.
printf '[client]\nuser=%s\n!include %s\n' "$user" "$work/self.cnf" >"$work/self.cnf"
same $none --defaults-file="$work/self.cnf" "$cs" -h "$host" -P "$port" "-p$password" -e "SELECT CURRENT_USER() LIKE '$user@%' AS me"
printf 'SELECT 1 AS x;\nsource %s\n' "$work/self.sql" >"$work/self.sql"
out=$("$query" "${login[@]}" <"$work/self.sql" 2>"$work/self.err")
status=$?
[ "$status" -eq 1 ] && [ "$(grep -c '^1$' <<<"$out")" -eq 65 ] &&
  grep -qx "ERROR at line 2 in file: '$work/self.sql': Source files nested more than 64 deep: '$work/self.sql' is not read" "$work/self.err" ||
  fail "a self-sourcing script: status $status, $(grep -c '^1$' <<<"$out") rows, $(tail -1 "$work/self.err")"
out=$(timeout 10 "$query" "${login[@]}" --delimiter= -e "SELECT 1" 2>&1)
status=$?
[ "$status" -eq 5 ] && [ "$out" = "morvane-query: option '--delimiter' requires a delimiter character or string" ] ||
  fail "an empty delimiter: status $status: $out"

# A byte-order mark opens a script or a sourced file; an error inside a sourced file names it.
bom=$'\xEF\xBB\xBF'
same "$(script bom.sql "${bom}SELECT 'marked' AS m;")" "${login[@]}"
printf '%sSELECT 1 AS one;\nSELECT nosuch;\nsource /no/such.sql\nSELECT 2 AS two;\n' "$bom" >"$work/bad-part.sql"
printf 'SELECT 0 AS zero;\nsource %s\n' "$work/bad-part.sql" >"$work/middle.sql"
parts=$(script parts.sql "source $work/bad-part.sql"$'\nSELECT 3 AS three;\n'"source $work/middle.sql"$'\nSELECT 4 AS four;\n')
same "$parts" "${login[@]}" --force
same "$parts" "${login[@]}" --force --abort-source-on-error
same "$parts" "${login[@]}" --abort-source-on-error
# Known difference: without --force the reference client goes on after a failure inside a sourced
# file and exits with 0; here the run ends there with 1, as --abort-source-on-error has it there.
"$query" "${login[@]}" <"$parts" >"$work/ours.out" 2>"$work/ours.err"
status=$?
mariadb "${login[@]}" --abort-source-on-error <"$parts" >"$work/vendor.out" 2>"$work/vendor.err"
[ "$status" -eq 1 ] && cmp -s "$work/ours.out" "$work/vendor.out" && cmp -s "$work/ours.err" "$work/vendor.err" ||
  fail "a failure inside a sourced file without --force: status $status"

# Options and option-file lines of a DBA's setup: what changes output does it as there, what does
# not apply without a terminal is taken and left.
verbose=$(script verbose.sql $'SELECT 1 AS a UNION SELECT 2;\nSELECT 1 FROM DUAL WHERE 0;\nDO 1;
UPDATE vendor_cli SET amount = amount;\nSELECT 1/0 AS w;\nuse '"$db"$'\nSELECT nosuch;\nsource '"$included"$'\n')
for how in -v -vv "-v -v" "-vv -t" "-vv -f" -vf; do same "$verbose" "${login[@]}" $how; done
same $none "${login[@]}" --show-warnings -e "SELECT 1/0 AS w"
same "$(script comments.sql $'/* lead */ SELECT 1 AS a;\nSELECT 2 AS b -- trailing\n;\nSELECT 3 AS c # hash\n;\nSELECT 4 /* inner */ AS d;\n')" \
  "${login[@]}" --comments -v
same $none "${login[@]}" -c -e "SELECT 5 AS e -- kept"
same $none "${login[@]}" --init-command="SET @x = 5" -e "SELECT @x AS x"
same $none "${login[@]}" --init-command="SELEC bad" -e "SELECT 2"
for how in --safe-updates -U --i-am-a-dummy "--safe-updates --select-limit=7 --max-join-size=9"; do
  same $none "${login[@]}" $how -e "SELECT @@sql_safe_updates AS s, @@sql_select_limit AS l, @@max_join_size AS j"
done
same $none "${login[@]}" --safe-updates -e "DELETE FROM vendor_cli"
markup="SELECT 1 AS \`<a>\`, NULL AS b, '\"q\" ''s & <t>' AS c; SELECT 2 AS d FROM DUAL WHERE 0; DO 1; SELECT 3 AS e"
for how in -H --html -HN -X --xml -XN; do same $none "${login[@]}" $how -e "$markup"; done
same $none "${login[@]}" -X -e "SELECT 1 AS a UNION SELECT 2 UNION SELECT NULL"
same "$(script markup.sql $'SELECT 1 AS a,\n2 AS b;\nSELECT \'a\tb\' AS x\n')" "${login[@]}" -X
same $none "${login[@]}" --tee="$work/tee.log" -e "SELECT 1 AS a"
[ -f "$work/tee.log" ] || fail "--tee did not create its file"
for how in --pager --pager=less --skip-pager --skip-tee --sigint-ignore --column-type-info --skip-comments \
  --abort-source-on-error --local-infile --auto-vertical-output --binary-as-hex --skip-secure-auth \
  --default-auth=mysql_native_password --tls-version=TLSv1.2,TLSv1.3 --plugin-dir=/tmp; do
  same $none "${login[@]}" $how -e "SELECT 'taken' AS how"
done
# --binary-as-hex shows bytes without a character set (binary strings, BIT, geometry) as 0x and hex.
binary="SELECT x'4100' AS a, CAST('a' AS BINARY) AS b, 'text' AS c, NULL AS n, 5 AS i, x'' AS e, b'101' AS bt,
  DATE'2020-01-02' AS d, 1.5 AS f, x'0a09' AS t, ST_GeomFromText('POINT(1 1)') AS g"
for how in "" --vertical --quick -t "-t --quick"; do same $none "${login[@]}" --binary-as-hex $how -e "$binary"; done
# With --quick a table's columns are as wide as declared, and rows are drawn as they come: an empty
# result set still has its head. In hexadecimal a column takes two digits for each byte of that
# width, also without --quick, and a long value is padded whole.
declared="SELECT * FROM vendor_cli ORDER BY id; SELECT 1 AS a FROM DUAL WHERE 0; SELECT x'41' AS longname,
  CAST('' AS BINARY(3)) AS e, CAST(REPEAT('x', 600) AS BINARY) AS l, 'abc' AS s, 12 AS n, NULL AS nothing"
for how in "-t --quick" "-tN --quick" "-t --binary-as-hex" "-t --quick --binary-as-hex" "-H --quick" "-X --quick"; do
  same $none "${login[@]}" $how -e "$declared"
done
# Known difference: a NULL in hexadecimal shows as NULL (the reference client prints 0x, as for no bytes).
out=$("$query" "${login[@]}" --binary-as-hex -e "SELECT CAST(NULL AS BINARY) AS n, x'' AS e" 2>&1)
[ "$out" = $'n\te\nNULL\t0x' ] || fail "a NULL in hexadecimal: $out"
cat >"$work/setup.cnf" <<CNF
[client]
host=$host
port=$port
user=$user
password=$password
default-character-set=utf8mb4
auto-vertical-output
binary-as-hex
default-auth=mysql_native_password
tls-version=TLSv1.2,TLSv1.3
plugin-dir=/usr/lib/mysql/plugin
secure-auth=0
[mysql]
select_limit=5
max_join_size=100
safe-updates
show-warnings
init-command=SET @from_file = 'yes'
[client_suffix]
database=$db
CNF
same $none --defaults-file="$work/setup.cnf" -e "SELECT @from_file AS f, @@sql_select_limit AS l, 1/0 AS w"
same $none --defaults-file="$work/setup.cnf" --defaults-group-suffix=_suffix -e "SELECT DATABASE() AS db"
# Known difference: --print-defaults names this program.
printDefaults() {
  mariadb "$@" | sed 's/^mariadb would have/morvane-query would have/' >"$work/vendor.out"
  "$query" "$@" >"$work/ours.out"
  cmp -s "$work/vendor.out" "$work/ours.out" || fail "--print-defaults: $(diff "$work/vendor.out" "$work/ours.out")"
}
printDefaults --defaults-file="$work/setup.cnf" --print-defaults
printDefaults --no-defaults --print-defaults
same $none "${login[@]}" --print-defaults -e "SELECT 1"

# Option values: suffixes, negative and too large numbers, loose- prefixes on the command line,
# boolean forms and a boolean's wrong value.
for how in --connect-timeout=1K --connect-timeout=1M --port=-5 --port=3x --loose-no-such=1 \
  --loose-skip-nothing --compress=yes --force=on --enable-force=1 --disable-force --skip-compress; do
  same $none "${login[@]}" $how -e "SELECT 'taken' AS how"
done
# Option files: '#' after a value, escapes in plain and quoted values, a group never closed, an
# option before any group, a line with no name.
cnf() { printf "[client]\nhost=%s\nport=%s\nuser=%s\npassword=%s\n$1" "$host" "$port" "$user" "$password" >"$work/lines.cnf"; }
for lines in 'database=nobody#comment\n' 'database=no\\tbody # comment\n' "database='no\\sbody' #c\n" \
  'database="a\\\\b\\xc"\n' 'database="unclosed\n' \
  '[mysql\nuser=x\n' '=value\n'; do
  cnf "$lines"
  same $none --defaults-file="$work/lines.cnf" "$cs" -e "SELECT 1"
done
printf 'user=before\n[client]\n' >"$work/lines.cnf"
same $none --defaults-file="$work/lines.cnf" "$cs" -e "SELECT 1"
# The client's error numbers and one-line messages where scripts test them.
same $none --no-defaults "$cs" -h no.such.host.invalid -u "$user" -e "SELECT 1"
same $none "${login[@]}" --default-character-set=no_such_set -e "SELECT 1"
same "$(script lost.sql $'SELECT 1 AS a;\nKILL CONNECTION_ID();\nSELECT 2;\nuse '"$db"$'\nSELECT 3;\n')" "${login[@]}" --force --skip-ssl
# Known difference: a refused connection gives the system's reason (111), where the reference
# client reports the EINPROGRESS of its own non-blocking connect (115).
out=$("$query" --no-defaults -h 127.0.0.1 -P 1 -u "$user" -e "SELECT 1" 2>&1)
[ "$out" = "ERROR 2002 (HY000): Can't connect to server on '127.0.0.1' (111)" ] || fail "a refused connection: $out"

# LOAD DATA LOCAL sends the file it names with --local-infile.
printf '1\tone\n2\ttwo\n' >"$work/load.txt"
loaded="CREATE TEMPORARY TABLE loaded (id INT, name VARCHAR(10));
  LOAD DATA LOCAL INFILE '$work/load.txt' INTO TABLE loaded; SELECT * FROM loaded ORDER BY id"
same $none "${login[@]}" --local-infile -e "$loaded"
same $none "${login[@]}" --local-infile=1 -e "$loaded"
# Known difference: without --local-infile no file is sent (the reference client sends it).
out=$("$query" "${login[@]}" -e "$loaded" 2>&1)
grep -q "^ERROR 2068 (HY000) at line 2: The server asked for the local file '$work/load.txt'" <<<"$out" ||
  fail "LOAD DATA LOCAL without --local-infile: $out"

# In gbk and sjis a second byte 0x5C belongs to its character and is not escaped; a lone backslash is.
for set in gbk sjis big5 cp932; do
  same $none "${login[@]}" --default-character-set=$set -e "SELECT CONVERT(0x955C41 USING $set) AS a, '\\\\' AS b,
    CONVERT(0x41955C USING $set) AS c"
done

# Wrong command lines: anything starting with '-' that is not an option is refused, never SQL.
same $none "${login[@]}" --foo -e "SELECT 1"
same $none "${login[@]}" -x -e "SELECT 1"
same $none "${login[@]}" -e
same $none "${login[@]}" --batch=1 -e "SELECT 1"
same $none "${login[@]}" --port=abc -e "SELECT 1"

# The local socket: -S and --socket, the socket line of an option file, and which of socket and
# TCP the host, a port and --protocol choose. A port or a socket on the command line chooses, the
# last one winning over --protocol too; in an option file neither does. --protocol=socket leaves a
# host other than localhost on TCP. TLS runs over the socket as over TCP.
sock=$MORVANE_TEST_DB_SOCKET
creds=(--no-defaults "$cs" -u "$user" "-p$password" "$db")
reached="SELECT SUBSTRING_INDEX(HOST, ':', 1) AS reached FROM information_schema.PROCESSLIST WHERE ID = CONNECTION_ID()"
while read -r -a how; do
  same $none "${creds[@]}" "${how[@]}" -e "$reached"
done <<CASES
-S $sock
--socket=$sock -h localhost
--socket $sock --protocol=socket
-S $sock -P $port
-P $port -S $sock
-h localhost -P $port
--protocol=tcp -S $sock
-S $sock --protocol=TCP -P $port
--protocol=socket -h $host -P $port
-h $host -S $sock -P $port
-h localhost
-S /no/such/server.sock
-S $work
--protocol=udp
CASES
same $none "${creds[@]}" -S "$sock" -e "SHOW STATUS LIKE 'Ssl_version'"
cat >"$work/socket.cnf" <<CNF
[client]
socket=$sock
port=$port
user=$user
password=$password
CNF
same $none --defaults-file="$work/socket.cnf" "$cs" -e "$reached"
same $none --defaults-file="$work/socket.cnf" "$cs" -h "$host" -e "$reached"
printf '[client]\nprotocol=tcp\n' >>"$work/socket.cnf"
same $none --defaults-file="$work/socket.cnf" "$cs" -h localhost -e "$reached"

# A folder of CA certificates under their hashed names verifies the server as a CA file does; a
# TLS 1.3 suite limits TLS 1.3, older ciphers' names leave it its own.
mkdir "$work/authorities"
tls=$MORVANE_TEST_DB_TLS_DIR
cp "$tls/ca.pem" "$work/authorities/$(openssl x509 -hash -noout -in "$tls/ca.pem").0"
cipher="SHOW STATUS WHERE Variable_name IN ('Ssl_version', 'Ssl_cipher')"
same $none "${login[@]}" --ssl-capath="$work/authorities" --ssl-verify-server-cert -e "$cipher"
same $none "${login[@]}" --ssl-capath="$work/authorities" -e "$cipher"
same $none "${login[@]}" --ssl-cipher=TLS_AES_128_GCM_SHA256 -e "$cipher"
same $none "${login[@]}" --ssl-cipher=ECDHE-RSA-AES256-GCM-SHA384 -e "$cipher"
# Revocation lists of the test CA, made with its own tools: one revokes the server's certificate,
# the other does not. Given as a file or as a folder under the CA's hash, on the command line or in
# an option file; a revoked certificate fails the login (each words OpenSSL's reason its own way).
revocationList() {  # revocationList <name> [certificate to revoke]
  local ca=$work/ca-$1
  mkdir "$ca" && : >"$ca/index.txt" && echo 01 >"$ca/crlnumber"
  printf '%s\n' '[ca]' 'default_ca = test_ca' '[test_ca]' "database = $ca/index.txt" "crlnumber = $ca/crlnumber" \
    'default_md = sha256' >"$ca/ca.cnf"
  local sign=(openssl ca -batch -config "$ca/ca.cnf" -cert "$tls/ca.pem" -keyfile "$tls/ca-key.pem")
  { [ -z "${2:-}" ] || "${sign[@]}" -revoke "$2"; } 2>/dev/null &&
    "${sign[@]}" -gencrl -crldays 1 -out "$work/$1.crl" 2>/dev/null || fail "cannot make the revocation list $1"
  mkdir "$work/$1-lists" && cp "$work/$1.crl" "$work/$1-lists/$(openssl x509 -hash -noout -in "$tls/ca.pem").r0"
}
revocationList clean
revocationList revoked "$tls/server-cert.pem"
checked=("${login[@]}" --ssl-ca="$tls/ca.pem" --ssl-verify-server-cert)
same $none "${checked[@]}" --ssl-crl="$work/clean.crl" -e "$cipher"
same $none "${checked[@]}" --ssl-crlpath="$work/clean-lists" -e "$cipher"
printf '[client]\nssl-crl=%s\n' "$work/clean.crl" >"$work/crl.cnf"
same $none --defaults-file="$work/crl.cnf" "${checked[@]:1}" -e "$cipher"
for how in --ssl-crl="$work/revoked.crl" --ssl-crlpath="$work/revoked-lists"; do
  mariadb "${checked[@]}" "$how" -e "SELECT 1" >/dev/null 2>&1
  vendorStatus=$?
  out=$("$query" "${checked[@]}" "$how" -e "SELECT 1" 2>&1)
  status=$?
  [ "$status" -eq "$vendorStatus" ] && [ "$status" -eq 1 ] &&
    [ "$out" = "ERROR 2026 (HY000): SSL connection error the server's certificate was not accepted: certificate revoked" ] ||
    fail "$how: status $status (the reference client's $vendorStatus): $out"
done
out=$("$query" "${checked[@]}" --ssl-crl="$work/no.crl" -e "SELECT 1" 2>&1)
[ "$out" = "ERROR 2026 (HY000): SSL connection error cannot read the revocation list file '$work/no.crl'" ] ||
  fail "a missing revocation list: $out"
# The dataset mode takes the same encryption options.
out=$("$query" "${login[@]}" --dataset --ssl-capath="$work/authorities" --ssl-verify-server-cert \
  --ssl-cipher=TLS_AES_128_GCM_SHA256 -e "SHOW STATUS LIKE 'Ssl_cipher'" 2>&1)
[ "$out" = $'Variable_name\tValue\nSsl_cipher\tTLS_AES_128_GCM_SHA256' ] || fail "dataset: CA folder and cipher: $out"
out=$("$query" "${checked[@]}" --dataset --ssl-crlpath="$work/revoked-lists" -e "SELECT 1" 2>&1)
[ "$out" = "ERROR 2026 (HY000): SSL connection error the server's certificate was not accepted: certificate revoked" ] ||
  fail "dataset: a revoked certificate: $out"

mariadb "${login[@]}" -e "DROP TABLE IF EXISTS vendor_cli"
exit $((failures > 0))
