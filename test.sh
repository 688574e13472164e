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
eval "$(scripts/testdb.sh start)"

export QT_QPA_PLATFORM=offscreen
status=0
ctest --test-dir build --output-on-failure -j"$(nproc)" -LE cluster "$@" || status=$?

# The cluster tests stop and restart nodes, so they run one at a time on a cluster of their own.
eval "$(scripts/cluster.sh start)"
ctest --test-dir build --output-on-failure -L cluster "$@" || status=$?
exit "$status"
