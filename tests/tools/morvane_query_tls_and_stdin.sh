#!/usr/bin/env bash
# morvane-query's encryption options and SQL from standard input, on the test database server:
# verify-identity against the private CA reports TLS, another CA fails before the login, an
# ed25519 account logs in, and statements piped in are split at ';' outside quotes and comments.
# Usage: morvane_query_tls_and_stdin.sh <path of morvane-query>
set -uo pipefail
query=$1

source "$(dirname "$0")/../support/require_test_db.sh"
require_test_db MORVANE_TEST_DB_HOST MORVANE_TEST_DB_PORT MORVANE_TEST_DB_NATIVE_USER MORVANE_TEST_DB_NATIVE_PASSWORD MORVANE_TEST_DB_TLS_DIR MORVANE_TEST_DB_ED25519_USER MORVANE_TEST_DB_ED25519_PASSWORD

server=(--host "$MORVANE_TEST_DB_HOST" --port "$MORVANE_TEST_DB_PORT")
native=("${server[@]}" --user "$MORVANE_TEST_DB_NATIVE_USER" --password="$MORVANE_TEST_DB_NATIVE_PASSWORD")
tls=$MORVANE_TEST_DB_TLS_DIR
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

expect_output() {
  local what=$1 expected=$2 actual=$3
  [ "$actual" = "$expected" ] || fail "$what: expected [$expected], got [$actual]"
}

out=$("$query" "${native[@]}" --ssl-mode verify-identity --ssl-ca "$tls/ca.pem" "SHOW STATUS LIKE 'Ssl_version'" 2>&1)
case $out in
  *"Ssl_version	TLSv1."*) ;;
  *) fail "verify-identity with the right CA: $out" ;;
esac

out=$("$query" "${native[@]}" --ssl-mode verify-ca --ssl-ca "$tls/other-ca.pem" "SELECT 1" 2>&1)
status=$?
[ $status -eq 1 ] && [[ $out == "ERROR 2026 (HY000): SSL connection error"* ]] || fail "another CA: status $status, $out"

out=$("$query" "${native[@]}" --ssl-mode sometimes "SELECT 1" 2>&1)
[ $? -eq 2 ] && [[ $out == *"--ssl-mode expects"* ]] || fail "unknown mode: $out"

out=$("$query" "${server[@]}" --user "$MORVANE_TEST_DB_ED25519_USER" --password="$MORVANE_TEST_DB_ED25519_PASSWORD" \
  "SELECT CURRENT_USER()" 2>&1)
expect_output "ed25519 login" "CURRENT_USER()
$MORVANE_TEST_DB_ED25519_USER@%" "$out"

out=$(printf '%s\n' "SELECT 1; SELECT 'a;b' AS x -- c; d" "; /* ; */ SELECT 2 # ;" | "$query" "${native[@]}" 2>&1)
expect_output "statements from standard input" "1
1
x
a;b
2
2" "$out"

out=$("$query" "${native[@]}" --dataset </dev/null 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] || fail "empty standard input: $out"

exit $((failures > 0))
