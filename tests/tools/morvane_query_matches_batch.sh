#!/usr/bin/env bash
# morvane-query must print exactly what the database's command-line client prints in batch mode,
# with and without compression, and report failures in its words.
# Usage: morvane_query_matches_batch.sh <path of morvane-query>
set -uo pipefail
query=$1

source "$(dirname "$0")/../support/require_test_db.sh"
require_test_db MORVANE_TEST_DB_HOST MORVANE_TEST_DB_PORT MORVANE_TEST_DB_DATABASE MORVANE_TEST_DB_NATIVE_USER MORVANE_TEST_DB_NATIVE_PASSWORD

login=(--host "$MORVANE_TEST_DB_HOST" --port "$MORVANE_TEST_DB_PORT" --user "$MORVANE_TEST_DB_NATIVE_USER"
       --password="$MORVANE_TEST_DB_NATIVE_PASSWORD" --database "$MORVANE_TEST_DB_DATABASE")
reference=(mariadb --no-defaults --batch --default-character-set=utf8mb4 --max-allowed-packet=1G
           -h "$MORVANE_TEST_DB_HOST" -P "$MORVANE_TEST_DB_PORT" -u "$MORVANE_TEST_DB_NATIVE_USER"
           "-p$MORVANE_TEST_DB_NATIVE_PASSWORD" "$MORVANE_TEST_DB_DATABASE")
# $work (removed at exit), $failures and fail "what".
source "$(dirname "$0")/../support/checks.sh"

"${reference[@]}" -e "
  DROP TABLE IF EXISTS query_output;
  CREATE TABLE query_output (id INT PRIMARY KEY, txt VARCHAR(100) NULL, num DECIMAL(10,3) NULL,
                             stamp DATETIME NULL, data BLOB NULL) CHARACTER SET utf8mb4;
  INSERT INTO query_output VALUES
    (1, 'plain', 1.5, '2024-01-02 03:04:05', NULL),
    (2, '', -3, NULL, ''),
    (3, NULL, NULL, '1999-12-31 23:59:59', 'x\\0y'),
    (4, 'tab\\there\\nnew line \\\\ back', 0, NULL, UNHEX('00095C0A41')),
    (5, 'Grüße € ñ 日本', 123456.789, NULL, NULL),
    (6, 'four bytes: 😀 𠜎 end', NULL, NULL, NULL);" || { echo "FAIL: cannot prepare the table" >&2; exit 1; }

statements=(
  "SELECT * FROM query_output ORDER BY id"
  "SELECT NULL, '' AS empty, 'a\\tb' AS tab, 'back\\\\slash' AS bs, 'l1\\nl2' AS nl, CONCAT('n', CHAR(0), 'z') AS nul"
  "SELECT 'Grüße €' AS \`wörter\`, 1e300 AS big, -0.5 AS half, CAST('2024-02-29' AS DATE) AS d"
  "SELECT 1 AS first; SELECT 2 AS second, 3 AS third"
  "DO 1"
  "SELECT id FROM query_output WHERE id > 100"
  "SELECT REPEAT('ab\\\\c\\t', 3500000) AS big, 'after' AS tail"
  # The insert id of -1 is 2^64 - 1 on the wire: a legal reply, and the session goes on.
  "CREATE TEMPORARY TABLE ai (a INT AUTO_INCREMENT PRIMARY KEY); INSERT INTO ai VALUES (-1); SELECT LAST_INSERT_ID(); SELECT a FROM ai"
)

for sql in "${statements[@]}"; do
  "${reference[@]}" -e "$sql" >"$work/expected" 2>"$work/expected.err" || fail "reference client failed on: ${sql:0:60}"
  for mode in plain compress; do
    extra=()
    [ "$mode" = compress ] && extra=(--compress)
    if ! "$query" "${login[@]}" "${extra[@]}" "$sql" >"$work/actual" 2>"$work/actual.err"; then
      fail "morvane-query ($mode) failed on: ${sql:0:60}: $(cat "$work/actual.err")"
    elif ! cmp -s "$work/expected" "$work/actual"; then
      fail "output differs ($mode) for: ${sql:0:60}"
      diff <(head -c 2000 "$work/expected" | od -c | head -20) <(head -c 2000 "$work/actual" | od -c | head -20) >&2
    fi
  done
done

# Text through the dataset, plain and compressed: four-byte characters arrive whole.
sql="SELECT id, txt FROM query_output ORDER BY id"
"${reference[@]}" -e "$sql" >"$work/expected" || fail "reference client failed on: $sql"
for extra in --dataset "--dataset --compress"; do
  # shellcheck disable=SC2086
  if ! "$query" "${login[@]}" $extra "$sql" >"$work/actual" 2>"$work/actual.err"; then
    fail "morvane-query $extra failed on: $sql: $(cat "$work/actual.err")"
  elif ! cmp -s "$work/expected" "$work/actual"; then
    fail "output differs ($extra) for: $sql"
    diff "$work/expected" "$work/actual" >&2
  fi
done

# An empty result prints nothing through the dataset either.
out=$("$query" "${login[@]}" --dataset "SELECT id FROM query_output WHERE id > 100" 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] || fail "--dataset printed for an empty result: $out"

# A procedure's results through the dataset, then a further statement on the same session.
"${reference[@]}" -e "DROP PROCEDURE IF EXISTS query_output_p;
  CREATE PROCEDURE query_output_p() SELECT 'from p' AS text" || fail "cannot create the procedure"
"${reference[@]}" -e "CALL query_output_p(); SELECT 1" >"$work/expected" || fail "reference client failed on the procedure"
if ! "$query" "${login[@]}" --dataset "CALL query_output_p()" "SELECT 1" >"$work/actual" 2>"$work/actual.err"; then
  fail "morvane-query --dataset failed on the procedure: $(cat "$work/actual.err")"
elif ! cmp -s "$work/expected" "$work/actual"; then
  fail "output differs (--dataset) for the procedure"
  diff "$work/expected" "$work/actual" >&2
fi

# Failures: the code, the SQL state and the message, exit status 1.
expect_error() {
  local expected=$1
  shift
  "$query" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  [ "$status" -eq 1 ] || fail "exit status $status instead of 1 for: $expected"
  [ ! -s "$work/out" ] || fail "output on standard output for: $expected"
  grep -qxF -- "$expected" "$work/err" || fail "expected '$expected', got '$(cat "$work/err")'"
}

expect_error "ERROR 1146 (42S02) at line 1: Table 'kova.no_such_table' doesn't exist" "${login[@]}" "SELECT * FROM no_such_table"
expect_error "ERROR 1045 (28000): Access denied for user '$MORVANE_TEST_DB_NATIVE_USER'@'127.0.0.1' (using password: YES)" \
  --host "$MORVANE_TEST_DB_HOST" --port "$MORVANE_TEST_DB_PORT" --user "$MORVANE_TEST_DB_NATIVE_USER" \
  --password=wrong "SELECT 1"
"$query" --host 127.0.0.1 --port 1 --user x "SELECT 1" >/dev/null 2>"$work/err"
# In the reference client's number, on one line, with the system's reason (ECONNREFUSED).
[ "$(cat "$work/err")" = "ERROR 2002 (HY000): Can't connect to server on '127.0.0.1' (111)" ] ||
  fail "refused port reported as '$(cat "$work/err")'"

"${reference[@]}" -e "DROP TABLE IF EXISTS query_output; DROP PROCEDURE IF EXISTS query_output_p"
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "morvane-query output matches the batch output"
