#!/usr/bin/env bash
# Fails unless the README's library table holds each row of the layer table, in its order:
# | `library` | `folder` | `uses`, `uses` | Qt |
set -uo pipefail
layers=$1 readme=$2
expected=$(sed -nE 's/^ *"(morvane_[a-z_]+) +([^ ]+) +([^ ]+) +(yes|no)".*/\1 \2 \3 \4/p' "$layers" |
  while read -r library folder uses qt; do
    if [ "$uses" = - ]; then uses=—; else uses=$(sed -E 's/([^,]+)/`\1`/g; s/,/, /g' <<<"$uses"); fi
    echo "| \`$library\` | \`$folder\` | $uses | $qt |"
  done)
actual=$(grep -E '^\| `morvane_' "$readme")
if [ "$expected" != "$actual" ]; then
  echo "README.md's library table differs from cmake/Layers.cmake; it should read:" >&2
  echo "$expected" >&2
  diff <(echo "$expected") <(echo "$actual") >&2
  exit 1
fi
