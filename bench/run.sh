#!/usr/bin/env bash
# Runs the benchmarks against the test server and prints their figures and ratios.
#   bench/run.sh [build directory]    (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build}/bin
eval "$("$top/scripts/testdb.sh" start)"

# Query dataset: open a 1,000,000-row table, insert 10,000 rows; one process per client.
bench=$bin/morvane-dataset-bench
"$bench" setup
results=$(for client in morvane libmariadb qt; do "$bench" open "$client" || true; done
          for client in morvane libmariadb; do "$bench" insert "$client"; done)
echo "$results"
echo "$results" | awk '
  { split($3, c, "="); split($4, w, "="); split($5, b, "="); split($6, t, "=");
    cpu[$1 " " $2] = c[2]; wall[$1 " " $2] = w[2]; bytes[$1 " " $2] = b[2]; text[$1 " " $2] = t[2] }
  END {
    if (text["open morvane"] != text["open libmariadb"])
      printf "open: the dataset read other text than the C library (%s against %s)\n",
        text["open morvane"], text["open libmariadb"]
    printf "open cpu: morvane/libmariadb %.2f (aim <= 1.5), morvane/qt %.2f (aim <= 0.5)\n",
      cpu["open morvane"] / cpu["open libmariadb"], cpu["open qt"] ? cpu["open morvane"] / cpu["open qt"] : 0
    printf "bytes per row: morvane %.0f, libmariadb %.0f, qt %.0f (aim: fewest)\n",
      bytes["open morvane"], bytes["open libmariadb"], bytes["open qt"]
    printf "insert speed: morvane/libmariadb %.2f (aim >= 0.95)\n", wall["insert libmariadb"] / wall["insert morvane"]
  }'
