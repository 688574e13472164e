#!/usr/bin/env bash
# The password never stays readable in the process's command line, MYSQL_PWD logs in when no
# --password is given, and -p alone or --password without a value asks on the terminal with the
# echo off (a value after a blank is the next argument, as the mariadb client takes it).
# Usage: morvane_query_password.sh <path of morvane-query>
set -uo pipefail
query=$1

source "$(dirname "$0")/../support/require_test_db.sh"
require_test_db MORVANE_TEST_DB_HOST MORVANE_TEST_DB_PORT MORVANE_TEST_DB_DATABASE MORVANE_TEST_DB_NATIVE_USER \
  MORVANE_TEST_DB_NATIVE_PASSWORD
# $work (removed at exit), $failures and fail "what".
source "$(dirname "$0")/../support/checks.sh"

server=(--host "$MORVANE_TEST_DB_HOST" --port "$MORVANE_TEST_DB_PORT" --user "$MORVANE_TEST_DB_NATIVE_USER")

"$query" "${server[@]}" --password="$MORVANE_TEST_DB_NATIVE_PASSWORD" "SELECT SLEEP(2)" >"$work/out" 2>&1 &
pid=$!
sleep 1
tr '\0' ' ' <"/proc/$pid/cmdline" >"$work/cmdline"
wait "$pid" || fail "the sleeping statement failed: $(cat "$work/out")"
grep -qF -- "$MORVANE_TEST_DB_NATIVE_PASSWORD" "$work/cmdline" && fail "the password is in the command line: $(cat "$work/cmdline")"
grep -qF -- "--password" "$work/cmdline" || fail "the command line was not read: $(cat "$work/cmdline")"

out=$(MYSQL_PWD=$MORVANE_TEST_DB_NATIVE_PASSWORD "$query" "${server[@]}" "SELECT 'from the environment' AS how" 2>&1) ||
  fail "MYSQL_PWD did not log in: $out"
[ "$out" = $'how\nfrom the environment' ] || fail "unexpected output: $out"

# Answers the prompt on a pseudo-terminal; prints everything the terminal showed.
answer_prompt() {
  python3 - "$@" <<'PY'
import os, pty, sys
password, argv = sys.argv[1], sys.argv[2:]
pid, fd = pty.fork()
if pid == 0:
    os.execv(argv[0], argv)
shown = b""
def read():
    try:
        return os.read(fd, 4096)
    except OSError:
        return b""
while b"Enter password: " not in shown:
    chunk = read()
    if not chunk:
        break
    shown += chunk
os.write(fd, password.encode() + b"\n")
while chunk := read():
    shown += chunk
_, status = os.waitpid(pid, 0)
sys.stdout.write(shown.decode(errors="replace").replace("\r", ""))
sys.exit(os.waitstatus_to_exitcode(status))
PY
}

for ask in -p --password; do
  out=$(answer_prompt "$MORVANE_TEST_DB_NATIVE_PASSWORD" "$query" "${server[@]}" "$ask" -e "SELECT 'asked' AS how") ||
    fail "$ask did not log in: $out"
  [ "$out" = $'Enter password: \nhow\nasked' ] || fail "$ask: the terminal showed: $out"
done

# As the mariadb client: "--password W" asks, and W is the database.
out=$(answer_prompt "$MORVANE_TEST_DB_NATIVE_PASSWORD" "$query" "${server[@]}" --password "$MORVANE_TEST_DB_DATABASE" \
  -e "SELECT DATABASE() AS db") || fail "--password with a blank did not log in: $out"
[ "$out" = $'Enter password: \ndb\n'"$MORVANE_TEST_DB_DATABASE" ] || fail "--password W: the terminal showed: $out"

exit $((failures > 0))
