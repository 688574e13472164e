#!/usr/bin/env bash
# Installs what is missing, builds, starts the test database and runs every test; then starts the
# cluster for the tests labelled "cluster", runs them and stops it again.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh

stop_servers() {
  scripts/cluster.sh stop
  scripts/testdb.sh stop
}
trap stop_servers EXIT
# Taken first, so that a missing script or a server that cannot start stops the run here.
exports=$(scripts/testdb.sh start)
eval "$exports"

export QT_QPA_PLATFORM=offscreen
status=0
ctest --test-dir build --output-on-failure -j"$(nproc)" -LE cluster "$@" || status=$?
# Every fuzz target over its seed corpus (seconds; longer runs: scripts/fuzz.sh <seconds>).
scripts/fuzz.sh 0 || status=$?

# The cluster tests stop and restart nodes, so they run one at a time on a cluster of their own.
if nodes=$(scripts/cluster.sh start); then
  eval "$nodes"
  ctest --test-dir build --output-on-failure -L cluster "$@" || status=$?
else
  echo "the cluster did not start; its tests did not run" >&2
  status=1
fi
exit "$status"
