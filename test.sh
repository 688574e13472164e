#!/usr/bin/env bash
# Installs what is missing, builds, starts the test database and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh

if [ -x scripts/testdb.sh ]; then
  eval "$(scripts/testdb.sh start)"
  trap 'scripts/testdb.sh stop' EXIT
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"
# Every fuzz target over its seed corpus (seconds; longer runs: scripts/fuzz.sh <seconds>).
scripts/fuzz.sh 0
