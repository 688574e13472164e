#!/usr/bin/env bash
# Builds the Debian package build/morvane_<version>_amd64.deb from the tree in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
cpack -G DEB
