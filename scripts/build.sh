#!/usr/bin/env bash
# Configures (once) and builds the tree in build/: the named targets, or everything.
#   scripts/build.sh                          everything: programs, tests, benchmarks
#   scripts/build.sh Morvane morvane-query    only these (what ./run.sh needs)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build ${1:+--target "$@"}
