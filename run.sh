#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo database and the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh Morvane morvane-query

trap 'scripts/testdb.sh stop --demo' EXIT
# Taken first, so that a server that cannot start stops the run here, with its own error line.
exports=$(scripts/testdb.sh start --demo)
eval "$exports"
scripts/demo-settings.sh "$MORVANE_TEST_DB_HOST" "$MORVANE_TEST_DB_PORT" \
  "$MORVANE_TEST_DB_NATIVE_USER" "$MORVANE_TEST_DB_NATIVE_PASSWORD" "$MORVANE_TEST_DB_DATABASE"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the program on a virtual X server (xvfb-run)." >&2
  xvfb-run -a build/bin/Morvane
else
  build/bin/Morvane
fi
