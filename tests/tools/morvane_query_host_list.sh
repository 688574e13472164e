#!/usr/bin/env bash
# morvane-query with a host list: the first host that takes the login is used, --verbose names it
# on stderr, and when none does the error names the last failure and how many hosts were tried.
# Usage: morvane_query_host_list.sh <path of morvane-query>
set -uo pipefail
query=$1

source "$(dirname "$0")/../support/require_test_db.sh"
require_test_db MORVANE_TEST_DB_HOST MORVANE_TEST_DB_PORT MORVANE_TEST_DB_NATIVE_USER MORVANE_TEST_DB_NATIVE_PASSWORD

live=$MORVANE_TEST_DB_HOST:$MORVANE_TEST_DB_PORT
login=(--user "$MORVANE_TEST_DB_NATIVE_USER" --password="$MORVANE_TEST_DB_NATIVE_PASSWORD" --timeout 5)
# $work (removed at exit), $failures and fail "what".
source "$(dirname "$0")/../support/checks.sh"

for mode in direct dataset; do
  extra=()
  [ "$mode" = dataset ] && extra=(--dataset)
  if ! "$query" "${login[@]}" "${extra[@]}" --verbose --host "127.0.0.1:1,$live" "SELECT 7 AS seven" \
      >"$work/out" 2>"$work/err"; then
    fail "$mode: a dead first host stopped the login: $(cat "$work/err")"
  fi
  [ "$(cat "$work/out")" = $'seven\n7' ] || fail "$mode: unexpected rows: $(cat "$work/out")"
  [ "$(cat "$work/err")" = "Connected to $live" ] || fail "$mode: --verbose printed: $(cat "$work/err")"

  if "$query" "${login[@]}" "${extra[@]}" --host "127.0.0.1:1,127.0.0.1:2" "SELECT 1" >"$work/out" 2>"$work/err"; then
    fail "$mode: two dead hosts logged in"
  fi
  grep -q "^ERROR 2003 (HY000): " "$work/err" || fail "$mode: no 2003 error: $(cat "$work/err")"
  grep -q "Hosts tried: 2" "$work/err" || fail "$mode: the host count is missing: $(cat "$work/err")"

  if "$query" "${login[@]}" "${extra[@]}" --host "db1:port" "SELECT 1" >"$work/out" 2>"$work/err"; then
    fail "$mode: a bad port was taken"
  fi
  grep -q "^ERROR 2005 (HY000): Unknown MySQL Server Host 'db1:port'" "$work/err" || fail "$mode: bad port: $(cat "$work/err")"

  # The address form --help shows, over IPv6 where the loopback has it.
  if grep -qs '^0\{31\}1 ' /proc/net/if_inet6; then
    "$query" "${login[@]}" "${extra[@]}" --host "[::1]:$MORVANE_TEST_DB_PORT" "SELECT 6" >"$work/out" 2>"$work/err" \
      || fail "$mode: [::1] was refused: $(cat "$work/err")"
    [ "$(cat "$work/out")" = $'6\n6' ] || fail "$mode: [::1] gave: $(cat "$work/out")"
  fi
done

# A first host that accepts the connection and never answers: without --timeout, the list still
# reaches the next host (within the default connect time-out of 15 s), in both modes at once.
python3 -c '
import socket, time
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
print(listener.getsockname()[1], flush=True)
held = []
while True:
    held.append(listener.accept()[0])
' >"$work/silent-port" &
silent=$!
trap 'kill "$silent"; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/silent-port" ] && break; sleep 0.1; done
silent_host=127.0.0.1:$(cat "$work/silent-port")
declare -A runs
for mode in direct dataset; do
  extra=()
  [ "$mode" = dataset ] && extra=(--dataset)
  timeout 60 "$query" --user "$MORVANE_TEST_DB_NATIVE_USER" --password="$MORVANE_TEST_DB_NATIVE_PASSWORD" "${extra[@]}" \
    --host "$silent_host,$live" "SELECT 8 AS eight" >"$work/$mode-out" 2>"$work/$mode-err" &
  runs[$mode]=$!
done
for mode in direct dataset; do
  wait "${runs[$mode]}" || fail "$mode: a silent first host stopped the login: $(cat "$work/$mode-err")"
  [ "$(cat "$work/$mode-out")" = $'eight\n8' ] || fail "$mode: past a silent host: $(cat "$work/$mode-out")"
done

exit $((failures > 0))
