#!/usr/bin/env bash
# Runs a cluster test, or reports it skipped (77) when no cluster was started for it.
if [ -z "${MORVANE_CLUSTER_HOSTS:-}" ]; then
  echo "SKIP: no cluster: start one with eval \"\$(scripts/cluster.sh start)\" or run ./test.sh" >&2
  exit 77
fi
exec "$@"
