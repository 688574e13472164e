#!/usr/bin/env bash
# The password never stays readable in the process's command line, and MYSQL_PWD logs in when no
# --password is given.
# Usage: morvane_query_password.sh <path of morvane-query>
set -uo pipefail
query=$1

source "$(dirname "$0")/../support/require_test_db.sh"
require_test_db MORVANE_TEST_DB_HOST MORVANE_TEST_DB_PORT MORVANE_TEST_DB_NATIVE_USER MORVANE_TEST_DB_NATIVE_PASSWORD
# $work (removed at exit), $failures and fail "what".
source "$(dirname "$0")/../support/checks.sh"

server=(--host "$MORVANE_TEST_DB_HOST" --port "$MORVANE_TEST_DB_PORT" --user "$MORVANE_TEST_DB_NATIVE_USER")

"$query" "${server[@]}" --password "$MORVANE_TEST_DB_NATIVE_PASSWORD" "SELECT SLEEP(2)" >"$work/out" 2>&1 &
pid=$!
sleep 1
tr '\0' ' ' <"/proc/$pid/cmdline" >"$work/cmdline"
wait "$pid" || fail "the sleeping statement failed: $(cat "$work/out")"
grep -qF -- "$MORVANE_TEST_DB_NATIVE_PASSWORD" "$work/cmdline" && fail "the password is in the command line: $(cat "$work/cmdline")"
grep -qF -- "--password" "$work/cmdline" || fail "the command line was not read: $(cat "$work/cmdline")"

out=$(MYSQL_PWD=$MORVANE_TEST_DB_NATIVE_PASSWORD "$query" "${server[@]}" "SELECT 'from the environment' AS how" 2>&1) ||
  fail "MYSQL_PWD did not log in: $out"
[ "$out" = $'how\nfrom the environment' ] || fail "unexpected output: $out"

exit $((failures > 0))
