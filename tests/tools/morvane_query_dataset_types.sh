#!/usr/bin/env bash
# morvane-query --dataset --fields on a table with one column of each MySQL type: every column
# must get the field type and size its column metadata calls for, and every value must print as
# the database's command-line client prints it in batch mode, except where the field's own text
# form differs (listed below cell by cell).
# Usage: morvane_query_dataset_types.sh <path of morvane-query>
set -uo pipefail
query=$1

source "$(dirname "$0")/../support/require_test_db.sh"
require_test_db MORVANE_TEST_DB_HOST MORVANE_TEST_DB_PORT MORVANE_TEST_DB_ROOT_USER MORVANE_TEST_DB_ROOT_PASSWORD

# A database of its own, so that parallel runs and other tests never meet it.
database=morvane_types_$$
login=(--host "$MORVANE_TEST_DB_HOST" --port "$MORVANE_TEST_DB_PORT" --user "$MORVANE_TEST_DB_ROOT_USER"
       --password="$MORVANE_TEST_DB_ROOT_PASSWORD" --database "$database")
reference=(mariadb --no-defaults --batch --default-character-set=utf8mb4 -h "$MORVANE_TEST_DB_HOST"
           -P "$MORVANE_TEST_DB_PORT" -u "$MORVANE_TEST_DB_ROOT_USER" "-p$MORVANE_TEST_DB_ROOT_PASSWORD")
work=$(mktemp -d)
trap '"${reference[@]}" -e "DROP DATABASE IF EXISTS $database" >/dev/null 2>&1; rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Zero and impossible dates need a lenient session.
"${reference[@]}" -e "
  CREATE DATABASE $database CHARACTER SET utf8mb4;
  USE $database;
  SET SESSION sql_mode = 'ALLOW_INVALID_DATES';
  CREATE TABLE types (
    id INT PRIMARY KEY,
    c_tinyint TINYINT, c_bool TINYINT(1), c_tinyint_u TINYINT UNSIGNED,
    c_smallint SMALLINT, c_smallint_u SMALLINT UNSIGNED,
    c_mediumint MEDIUMINT, c_mediumint_u MEDIUMINT UNSIGNED,
    c_int INT, c_int_u INT UNSIGNED, c_bigint BIGINT, c_bigint_u BIGINT UNSIGNED,
    c_float FLOAT, c_double DOUBLE, c_decimal DECIMAL(10,2), c_decimal0 DECIMAL(12,0),
    c_date DATE, c_time TIME, c_time_frac TIME(3), c_datetime DATETIME, c_datetime_frac DATETIME(6),
    c_timestamp TIMESTAMP NULL, c_timestamp_frac TIMESTAMP(3) NULL, c_year YEAR,
    c_char CHAR(10), c_varchar VARCHAR(20), c_varchar_long VARCHAR(300),
    c_binary BINARY(4), c_varbinary VARBINARY(16),
    c_tinytext TINYTEXT, c_text TEXT, c_mediumtext MEDIUMTEXT, c_longtext LONGTEXT,
    c_tinyblob TINYBLOB, c_blob BLOB, c_mediumblob MEDIUMBLOB, c_longblob LONGBLOB,
    c_enum ENUM('red','green','blue','grün'), c_set SET('a','bb','ccc'),
    c_bit1 BIT(1), c_bit BIT(12), c_bit64 BIT(64), c_point POINT);
  INSERT INTO types VALUES
    (1, 42, 1, 200, 1234, 60000, 123456, 16000000, 123456789, 3000000000, 1234567890123,
     12345678901234567890, 3.14159, 0.1, 1234.56, 42,
     '2024-02-29', '12:34:56', '01:02:03.750', '2024-02-29 23:59:59', '2024-01-02 03:04:05.123456',
     '2024-02-29 12:00:00', '2024-02-29 12:00:00.250', 2024,
     'ab', 'plain text', 'a longer text kept out of line', 'abcd', 'bytes',
     'tiny', 'some text', 'medium', 'long', 'tb', UNHEX('00095C0A41FF'), 'mb', 'lb',
     'green', 'a,ccc', b'1', b'101010101010', b'1000000000000000000000000000000000000000000000000000000000000000',
     POINT(1, 2)),
    (2, -128, 0, 0, -32768, 0, -8388608, 0, -2147483648, 0, -9223372036854775808,
     0, -1.5, -1234.5678, -0.50, -99999999999,
     '1000-01-01', '-838:59:59', '-00:00:01.500', '1800-06-15 12:30:00', '1899-12-30 00:00:00.000000',
     '2000-01-01 00:00:00', '2000-01-01 00:00:00.999', 1901,
     'Grüße €', 'Grüße € ñ 日本 😀', REPEAT('日本', 150), 'wxyz', '',
     'Grüße', 'line1\\nline2\\ttab\\\\back\\rcr', '日本語', REPEAT('€', 70000), '', '', UNHEX('FF00FE'), 'x',
     'grün', '', b'0', b'0', 0, POINT(-1.5, 2.25)),
    (3, 127, 2, 255, 32767, 65535, 8388607, 16777215, 2147483647, 4294967295, 9223372036854775807,
     18446744073709551615, 1e30, 1e300, 99999999.99, 0,
     '9999-12-31', '838:59:59', '23:59:59.999', '9999-12-31 23:59:59', '2037-12-31 23:59:59.999999',
     '2037-12-31 23:59:59', '2037-12-31 23:59:59.500', 2155,
     '€€€€€€€€€€', REPEAT('日', 20), '', CONCAT('a', CHAR(9), 'b\\\\'), 'tab\\there',
     REPEAT('x', 255), REPEAT('Grüße ', 1000), '', '', REPEAT('z', 255), REPEAT(UNHEX('FF'), 3000), '', '',
     'red', 'a,bb,ccc', b'1', b'111111111111', 18446744073709551615, NULL),
    (4, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
     NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
     NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
    (5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -0e0, 0.00, 0,
     '0000-00-00', '00:00:00', '00:00:00.000', '0000-00-00 00:00:00', '0000-00-00 00:00:00.000000',
     '0000-00-00 00:00:00', '0000-00-00 00:00:00.000', 0,
     '', '', '', '0000', '', '', '', '', '', '', '', '', '', '', '', b'0', b'0', 0, NULL),
    (6, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2.5e-7, 0.30000000000000004, 12.30, 1,
     '2023-02-30', '-01:30:00', NULL, '2024-02-00 12:00:00', '2023-04-31 08:00:00', NULL, NULL, 1999,
     'pad   ', CONCAT('n', CHAR(0), 'z'), CONCAT('cr', CHAR(13), 'nul', CHAR(0), 'end'), NULL, NULL,
     NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);" \
  || { echo "FAIL: cannot prepare the table" >&2; exit 1; }

# Field name, field type and size, as the column metadata of each MySQL type calls for on a
# Unicode connection: text sizes in characters, other types 0; binary strings stay 8-bit strings.
cat >"$work/fields.expected" <<'FIELDS'
id	ftInteger	0
c_tinyint	ftShortint	0
c_bool	ftBoolean	0
c_tinyint_u	ftByte	0
c_smallint	ftSmallint	0
c_smallint_u	ftWord	0
c_mediumint	ftInteger	0
c_mediumint_u	ftInteger	0
c_int	ftInteger	0
c_int_u	ftLongWord	0
c_bigint	ftLargeint	0
c_bigint_u	ftLargeint	0
c_float	ftFloat	0
c_double	ftFloat	0
c_decimal	ftFloat	0
c_decimal0	ftFloat	0
c_date	ftDate	0
c_time	ftTime	0
c_time_frac	ftTime	0
c_datetime	ftDateTime	0
c_datetime_frac	ftDateTime	0
c_timestamp	ftDateTime	0
c_timestamp_frac	ftDateTime	0
c_year	ftWord	0
c_char	ftWideString	10
c_varchar	ftWideString	20
c_varchar_long	ftWideString	300
c_binary	ftString	4
c_varbinary	ftString	16
c_tinytext	ftWideMemo	0
c_text	ftWideMemo	0
c_mediumtext	ftWideMemo	0
c_longtext	ftWideMemo	0
c_tinyblob	ftBlob	0
c_blob	ftBlob	0
c_mediumblob	ftBlob	0
c_longblob	ftBlob	0
c_enum	ftWideString	5
c_set	ftWideString	8
c_bit1	ftLargeint	0
c_bit	ftLargeint	0
c_bit64	ftLargeint	0
c_point	ftBlob	0
FIELDS

# Cells whose dataset text is not the batch text: Booleans as 1/0, floats in their shortest
# round-trip form, times and date-times without fractions, zero and impossible dates as NULL,
# YEAR and BIT as plain integers. Every other cell must equal the batch output. The base date
# 1899-12-30 00:00:00 (row 2) is a value like any other, not NULL.
printf '%s\t%s\t%s\n' \
  1 c_time_frac 01:02:03 \
  1 c_datetime_frac "2024-01-02 03:04:05" \
  1 c_timestamp_frac "2024-02-29 12:00:00" \
  1 c_bit1 1 \
  1 c_bit 2730 \
  1 c_bit64 9223372036854775808 \
  2 c_decimal -0.5 \
  2 c_time_frac -00:00:01 \
  2 c_datetime_frac "1899-12-30 00:00:00" \
  2 c_timestamp_frac "2000-01-01 00:00:00" \
  2 c_bit1 0 \
  2 c_bit 0 \
  2 c_bit64 0 \
  3 c_bool 1 \
  3 c_float 1e+30 \
  3 c_double 1e+300 \
  3 c_time_frac 23:59:59 \
  3 c_datetime_frac "2037-12-31 23:59:59" \
  3 c_timestamp_frac "2037-12-31 23:59:59" \
  3 c_bit1 1 \
  3 c_bit 4095 \
  3 c_bit64 18446744073709551615 \
  5 c_decimal 0 \
  5 c_date NULL \
  5 c_time_frac 00:00:00 \
  5 c_datetime NULL \
  5 c_datetime_frac NULL \
  5 c_timestamp NULL \
  5 c_timestamp_frac NULL \
  5 c_year 0 \
  5 c_bit1 0 \
  5 c_bit 0 \
  5 c_bit64 0 \
  6 c_float 2.5e-07 \
  6 c_decimal 12.3 \
  6 c_date NULL \
  6 c_datetime NULL \
  6 c_datetime_frac NULL \
  >"$work/stated"

# The batch output with the stated cells put in; values hold no raw tabs or newlines (the batch
# format escapes them), so fields split on tabs.
with_stated_cells() {
  LC_ALL=C awk -F'\t' -v OFS='\t' '
    FILENAME == ARGV[1] { stated[$1 SUBSEP $2] = $3; next }
    FNR == 1 { for (i = 1; i <= NF; ++i) name[i] = $i; print; next }
    {
      for (i = 1; i <= NF; ++i)
        if (($1 SUBSEP name[i]) in stated) { $i = stated[$1 SUBSEP name[i]]; used[$1 SUBSEP name[i]] }
      print
    }
    END { for (key in stated) if (!(key in used)) { split(key, part, SUBSEP); print "unknown cell " part[1] " " part[2] > "/dev/stderr"; exit 1 } }
  ' "$work/stated" -
}

# Names each cell that differs, by the row's first value and the column's name.
show_differing_cells() {
  LC_ALL=C awk -F'\t' '
    FILENAME == ARGV[1] { expected[FNR] = $0; next }
    FNR == 1 { for (i = 1; i <= NF; ++i) name[i] = $i }
    {
      count = split(expected[FNR], cell, "\t")
      if (count != NF) { print "line " FNR ": " count " values expected, " NF " printed"; next }
      for (i = 1; i <= NF; ++i)
        if (cell[i] != $i) print "row " $1 ", " name[i] ": expected \"" substr(cell[i], 1, 80) "\", printed \"" substr($i, 1, 80) "\""
    }
    END { if (length(expected) != FNR) print length(expected) " lines expected, " FNR " printed" }
  ' "$1" "$2"
}

# Runs one statement in both clients, after an optional statement that sets the session up,
# and compares fields and rows.
check_statement() {
  local sql=$1 fieldsFile=$2 setup=${3:-DO 0}
  local fieldCount
  fieldCount=$(wc -l <"$fieldsFile")
  if ! "$query" "${login[@]}" --dataset --fields "$setup" "$sql" >"$work/actual" 2>"$work/actual.err"; then
    fail "morvane-query --dataset failed on: $sql: $(cat "$work/actual.err")"
    return
  fi
  head -n "$fieldCount" "$work/actual" >"$work/fields.actual"
  if ! cmp -s "$fieldsFile" "$work/fields.actual"; then
    fail "field lines differ for: $sql (expected < > printed)"
    diff "$fieldsFile" "$work/fields.actual" >&2
  fi
  "${reference[@]}" "$database" -e "$setup; $sql" >"$work/batch" || { fail "reference client failed on: $sql"; return; }
  # The header holds the field names, which are made unique where the columns' names are not.
  { cut -f1 "$fieldsFile" | paste -sd '\t'; with_stated_cells <"$work/batch" | tail -n +2; } >"$work/rows.expected" ||
    { fail "the stated cells do not fit: $sql"; return; }
  tail -n +"$((fieldCount + 1))" "$work/actual" >"$work/rows.actual"
  if ! cmp -s "$work/rows.expected" "$work/rows.actual"; then
    fail "row values differ for: $sql"
    show_differing_cells "$work/rows.expected" "$work/rows.actual" >&2
  fi
}

check_statement "SELECT * FROM types ORDER BY id" "$work/fields.expected"

# Columns without a table: the NULL type, literals, a cast (1364 bytes on the utf8mb4 session, so
# 341 characters: the byte length 1023 kept on three-byte sessions does not arise), and repeated
# names made unique.
cat >"$work/computed.expected" <<'FIELDS'
nothing	ftWideString	1
word	ftWideString	3
wide	ftWideString	341
num	ftFloat	0
small	ftInteger	0
big	ftLargeint	0
id	ftInteger	0
id_1	ftInteger	0
ID_2	ftInteger	0
FIELDS
: >"$work/stated"
check_statement "SELECT NULL AS nothing, 'abc' AS word, CAST('x' AS CHAR(341)) AS wide, 1.5 AS num,
                 7 AS small, 12345678901 AS big, 1 AS id, 2 AS id, 3 AS ID" "$work/computed.expected"

# Trailing blanks of fixed-length text are dropped, even when the server pads it.
printf 'id\tftInteger\t0\nc_char\tftWideString\t10\n' >"$work/char.expected"
printf '%s\t%s\t%s\n' 1 c_char ab 2 c_char "Grüße €" 5 c_char "" 6 c_char pad >"$work/stated"
check_statement "SELECT id, c_char FROM types ORDER BY id" "$work/char.expected" \
  "SET SESSION sql_mode = 'PAD_CHAR_TO_FULL_LENGTH'"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "morvane-query --dataset prints the expected field types and values"
