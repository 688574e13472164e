#!/usr/bin/env bash
# Registrations per second through the query dataset with 1, 4 and 16 concurrent clients, against
# one server and against a three-node cluster (clients spread over the nodes), and the time the
# window needs to go on registering after its node dies. Starts and stops what it needs.
#   bench/cluster.sh [build directory] [seconds per run, default 5]
set -euo pipefail
# A step that fails ends the run with what failed, not silently.
trap 'echo "bench/cluster.sh: failed (exit $?) at line $LINENO: $BASH_COMMAND" >&2' ERR
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build}/bin
seconds=${2:-5}
bench=$bin/morvane-cluster-bench
export QT_QPA_PLATFORM=offscreen
# The window keeps its settings in a folder of this run's own.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME

trap '"$top/scripts/testdb.sh" stop; rm -rf "$XDG_CONFIG_HOME"' EXIT
server=$("$top/scripts/testdb.sh" start)
eval "$server"
export MORVANE_BENCH_USER=$MORVANE_TEST_DB_ROOT_USER MORVANE_BENCH_PASSWORD=$MORVANE_TEST_DB_ROOT_PASSWORD
export MORVANE_BENCH_DATABASE=$MORVANE_TEST_DB_DATABASE
single=()
for clients in 1 4 16; do
  single+=("$("$bench" register "$clients" "$seconds" "$MORVANE_TEST_DB_HOST:$MORVANE_TEST_DB_PORT")")
done

trap '"$top/scripts/cluster.sh" stop; "$top/scripts/testdb.sh" stop; rm -rf "$XDG_CONFIG_HOME"' EXIT
nodes=$("$top/scripts/cluster.sh" start 3)
eval "$nodes"
export MORVANE_BENCH_USER=$MORVANE_CLUSTER_USER MORVANE_BENCH_PASSWORD=$MORVANE_CLUSTER_PASSWORD
export MORVANE_BENCH_DATABASE=$MORVANE_CLUSTER_DATABASE
clustered=()
for clients in 1 4 16; do
  clustered+=("$("$bench" register "$clients" "$seconds" "$MORVANE_CLUSTER_HOSTS")")
done
# A fail-over that stored no row is reported in the table; the run still ends with its table.
status=0
failover=$("$bench" failover "$MORVANE_CLUSTER_HOSTS" "$MORVANE_CLUSTER_SCRIPT") ||
  { status=$?; failover="FAILED (exit $status; the reason is printed above)"; }

rate() { sed -n 's/.*per_second=\([0-9.]*\).*/\1/p' <<<"$1"; }
printf '%-8s %22s %22s\n' clients "one server (reg/s)" "3-node cluster (reg/s)"
for i in 0 1 2; do
  printf '%-8s %22s %22s\n' "$(sed -n 's/.*clients=\([0-9]*\).*/\1/p' <<<"${single[$i]}")" \
    "$(rate "${single[$i]}")" "$(rate "${clustered[$i]}")"
done
echo "window fail-over after its node dies: $failover"
exit "$status"
