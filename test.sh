#!/usr/bin/env bash
# Installs what is missing, builds, starts the test database and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh

trap 'scripts/testdb.sh stop' EXIT
# Taken first, so that a missing script or a server that cannot start stops the run here.
exports=$(scripts/testdb.sh start)
eval "$exports"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"
