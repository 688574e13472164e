#!/usr/bin/env bash
# Runs the benchmarks against the test server and prints their figures and ratios.
#   bench/run.sh [build directory]    (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build}/bin
trap '"$top/scripts/testdb.sh" stop' EXIT
exports=$("$top/scripts/testdb.sh" start)
eval "$exports"

# Protocol client against the C client library: a 1,000,000-row result streamed plain,
# compressed and over TLS (same cipher), and 1,000 logins with logout. Five alternating runs; the best of each is kept.
client=$bin/morvane-client-bench
if [ -x "$client" ]; then
  "$client" setup
  runs=$(for _ in 1 2 3 4 5; do
           for mode in plain compress tls; do for c in morvane libmariadb; do "$client" fetch "$c" "$mode"; done; done
           for c in morvane libmariadb; do "$client" login "$c"; done
         done)
  echo "$runs" | awk '
    { split($3, c, "="); split($4, w, "="); k = $1 SUBSEP $2
      if (!(k in cpu) || c[2] < cpu[k]) cpu[k] = c[2]
      if (!(k in wall) || w[2] < wall[k]) wall[k] = w[2]
      if ($1 ~ /^fetch/) { split($6, s, "="); if ((k in sum) && sum[k] != s[2]) bad = 1; sum[k] = s[2] } }
    END {
      printf "%-16s %10s %10s %10s %10s %9s %9s\n", "protocol client", "cpu", "cpu lib", "wall", "wall lib", "cpu ratio", "wall ratio"
      n = split("fetch-plain fetch-compress fetch-tls login", names, " ")
      for (i = 1; i <= n; i++) {
        m = names[i] SUBSEP "morvane"; l = names[i] SUBSEP "libmariadb"
        printf "%-16s %10.3f %10.3f %10.3f %10.3f %9.2f %9.2f\n", names[i], cpu[m], cpu[l], wall[m], wall[l],
          cpu[l] ? cpu[m] / cpu[l] : 0, wall[l] ? wall[m] / wall[l] : 0
      }
      if (sum["fetch-plain" SUBSEP "morvane"] != sum["fetch-plain" SUBSEP "libmariadb"] || bad)
        print "fetch: the two clients read different values"
      print "aim: cpu ratio <= 1.00, wall ratio <= 1.05; fetch-tls cpu ratio <= 1.10"
    }'
fi

# Type lists: the time per key stays level from 20,000 to 60,000 keys (aim: under 5 us per key).
"$bin/morvane-type-list-bench"

# Settings: loading and saving a key 4,000 to 16,000 levels deep takes a time per level that stays level.
"$bin/morvane-settings-depth-bench"

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
