#!/usr/bin/env bash
# Runs the benchmarks against the test server. Each measure pits this program against its peer in
# the same trial, the two in alternating order from trial to trial; the table gives the median
# ratio over the trials, its spread (lowest-highest), the goal, and the figure recorded in
# bench/baseline.txt with the change since, so that a change of a few per cent shows.
#   bench/run.sh [--record] [build directory]     (default: build; BENCH_RUNS trials, default 5)
#   --record   writes this run's medians to bench/baseline.txt, with the commit they came from
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
record=0
if [ "${1:-}" = --record ]; then
  record=1
  shift
fi
bin=${1:-$top/build}/bin
trials=${BENCH_RUNS:-5}
baseline=$top/bench/baseline.txt
work=$(mktemp -d)
trap 'rm -rf "$work"; "$top/scripts/testdb.sh" stop' EXIT
exports=$("$top/scripts/testdb.sh" start)
eval "$exports"

client=$bin/morvane-client-bench
dataset=$bin/morvane-dataset-bench
cost=$bin/morvane-process-cost
"$client" setup
"$dataset" setup
export MYSQL_PWD=$MORVANE_TEST_DB_ROOT_PASSWORD
export_select="SELECT mac, PixelType, ShieldType, birthday, Org_ID, note FROM bench_client_pixels"

# The value of KEY=... on the line of FILE that starts with LABEL.
figure() { awk -v label="$2" -v key="$3" 'index($0, label) == 1 {
             for (i = 1; i <= NF; i++) if (index($i, key "=") == 1) { print substr($i, length(key) + 2); exit } }' "$1"; }
# Records the ratio $2/$3 of two figures as one trial's value of measure $1; a missing figure
# (a client that did not finish) stops the run with both clients' output.
note() {
  if [ -z "$2" ] || [ -z "$3" ]; then
    echo "$1: a client gave no figure; its output:" >&2
    cat "$work/a" "$work/b" >&2
    exit 1
  fi
  awk -v m="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%s %.4f\n", m, (b > 0 ? a / b : 0) }' >>"$work/trials"
}
mismatch() { echo "$*" >>"$work/mismatches"; }

# Runs the command lines $1 and $2 (output to $work/a and $work/b), swapping their order on odd trials.
pair() {
  if ((trial % 2)); then
    eval "$2" >"$work/b" 2>&1
    eval "$1" >"$work/a" 2>&1
  else
    eval "$1" >"$work/a" 2>&1
    eval "$2" >"$work/b" 2>&1
  fi
}

# The terminal client's batch export of 1,000,000 rows against the vendor client: whole-process CPU
# and peak memory, and the same bytes out.
query_export() {
  local options="--no-defaults -h$MORVANE_TEST_DB_HOST -P$MORVANE_TEST_DB_PORT -u$MORVANE_TEST_DB_ROOT_USER"
  options+=" --batch --quick morvane_bench -e \"\$export_select\""
  pair "\"\$cost\" export \"\$bin/morvane-query\" $options | md5sum" "\"\$cost\" export mariadb $options | md5sum"
  note query-export "$(figure "$work/a" export cpu)" "$(figure "$work/b" export cpu)"
  note query-export-memory "$(figure "$work/a" export maxrss_kib)" "$(figure "$work/b" export maxrss_kib)"
  [ "$(grep -- '-$' "$work/a")" = "$(grep -- '-$' "$work/b")" ] || mismatch "query-export: the two clients wrote other bytes"
}

# The protocol client against the C client library, in-process CPU.
protocol_client() {
  local mode
  for mode in plain compress tls; do
    pair "\"\$client\" fetch morvane $mode" "\"\$client\" fetch libmariadb $mode"
    note "fetch-$mode" "$(figure "$work/a" fetch cpu)" "$(figure "$work/b" fetch cpu)"
    [ "$(figure "$work/a" fetch sum)" = "$(figure "$work/b" fetch sum)" ] || mismatch "fetch-$mode: the two clients read other values"
  done
  pair "\"\$client\" login morvane" "\"\$client\" login libmariadb"
  note login "$(figure "$work/a" login cpu)" "$(figure "$work/b" login cpu)"
  # The floor: a login by hand with only the connection component's socket calls, against the same
  # C client run; no client, this one included, can log in for less on this machine.
  "$client" login bare >"$work/c" 2>&1
  note login-floor "$(figure "$work/c" login cpu)" "$(figure "$work/b" login cpu)"
}

# The query dataset's open against the C library's store_result (in-process and whole-process CPU,
# memory per row) and against Qt's driver, and its inserts against the C library's (speed: their
# wall time over ours).
query_dataset() {
  pair "\"\$cost\" process \"\$dataset\" open morvane" "\"\$cost\" process \"\$dataset\" open libmariadb"
  note open-in-process "$(figure "$work/a" open cpu)" "$(figure "$work/b" open cpu)"
  note open-whole-process "$(figure "$work/a" process cpu)" "$(figure "$work/b" process cpu)"
  note open-bytes-per-row "$(figure "$work/a" open bytes_per_row)" "$(figure "$work/b" open bytes_per_row)"
  [ "$(figure "$work/a" open text)" = "$(figure "$work/b" open text)" ] || mismatch "open: the dataset read other text than the C library"
  cp "$work/a" "$work/open-morvane"
  if "$dataset" open qt >"$work/qt" 2>&1; then
    note open-vs-qt "$(figure "$work/open-morvane" open cpu)" "$(figure "$work/qt" open cpu)"
  fi
  pair "\"\$dataset\" insert morvane" "\"\$dataset\" insert libmariadb"
  note insert-speed "$(figure "$work/b" insert wall)" "$(figure "$work/a" insert wall)"
  # The ceiling: the same statements by hand, one send and one receive each, against the same C run.
  "$dataset" insert bare >"$work/c" 2>&1
  note insert-speed-ceiling "$(figure "$work/b" insert wall)" "$(figure "$work/c" insert wall)"
}

: >"$work/trials"
for ((trial = 0; trial < trials; trial++)); do
  echo "trial $((trial + 1)) of $trials" >&2
  query_export
  protocol_client
  query_dataset
done

# Type lists: the time per key stays level from 20,000 to 60,000 keys (aim: under 5 us per key).
"$bin/morvane-type-list-bench"

# Settings: loading and saving a key 4,000 to 16,000 levels deep takes a time per level that stays level.
"$bin/morvane-settings-depth-bench"

# measure, goal (ratio of this program to its peer; insert-speed is the peer's time over ours)
goals="query-export <=0.25
query-export-memory <=1.00
login <=0.60
login-floor -
insert-speed >=1.00
insert-speed-ceiling -
fetch-plain <=0.80
fetch-compress <=0.80
fetch-tls <=0.80
open-in-process -
open-whole-process <=0.70
open-bytes-per-row <=1.00
open-vs-qt <=0.10"
commit=$(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo unknown)
[ -n "$(git -C "$top" status --porcelain --untracked-files=no 2>/dev/null)" ] && commit+="+changes"

awk -v goals="$goals" -v baseline_file="$baseline" -v commit="$commit" -v record="$record" '
  function median(list, n,    sorted, i, j, t) {
    for (i = 1; i <= n; i++) sorted[i] = list[i]
    for (i = 2; i <= n; i++) for (j = i; j > 1 && sorted[j - 1] > sorted[j]; j--) { t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
    low = sorted[1]; high = sorted[n]
    return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
  }
  BEGIN {
    while ((getline line < baseline_file) > 0) {
      split(line, f, " ")
      if (f[1] == "commit") base_commit = f[2]; else if (f[1] != "" && f[1] !~ /^#/) base[f[1]] = f[2]
    }
  }
  { count[$1]++; value[$1, count[$1]] = $2 }
  END {
    printf "%-20s %8s %15s %7s %9s %9s  %s\n", "measure", "median", "spread", "goal", "baseline", "change", ""
    n = split(goals, rows, "\n")
    for (r = 1; r <= n; r++) {
      split(rows[r], g, " "); m = g[1]
      if (!(m in count)) continue
      for (i = 1; i <= count[m]; i++) list[i] = value[m, i]
      med = median(list, count[m]); medians[m] = med
      higher_is_better = g[2] ~ /^>=/
      met = g[2] == "-" ? "" : (higher_is_better ? med >= substr(g[2], 3) : med <= substr(g[2], 3)) ? "met" : "NOT MET"
      change = ""; verdict = ""
      if (m in base && base[m] > 0) {
        pct = (med - base[m]) / base[m] * 100
        change = sprintf("%+.1f%%", pct)
        worse = higher_is_better ? -pct : pct
        if (worse >= 5) verdict = "worse"; else if (worse <= -5) verdict = "better"
      }
      printf "%-20s %8.3f %7.3f-%-7.3f %7s %9s %9s  %s %s\n", m, med, low, high, g[2], m in base ? sprintf("%.3f", base[m]) : "-", change, met, verdict
    }
    printf "baseline: %s; this run: %s, %d trials\n", base_commit ? base_commit : "none recorded", commit, count["login"]
    if (record) {
      print "# Median ratios of bench/run.sh; written by bench/run.sh --record" > baseline_file
      print "commit " commit > baseline_file
      for (r = 1; r <= n; r++) { split(rows[r], g, " "); if (g[1] in medians) printf "%s %.4f\n", g[1], medians[g[1]] > baseline_file }
      print "recorded as the baseline in " baseline_file
    }
  }' "$work/trials"

if [ -s "$work/mismatches" ]; then
  sort -u "$work/mismatches"
  exit 1
fi
echo "outputs: the same bytes and values as the peers in every trial"
