#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the program on a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a build/bin/Morvane
fi
exec build/bin/Morvane
