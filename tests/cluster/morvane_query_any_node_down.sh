#!/usr/bin/env bash
# morvane-query with the cluster's host list answers while any one node is down, from another node.
# Usage: morvane_query_any_node_down.sh <path of morvane-query>
set -uo pipefail
query=$1
login=(--host "$MORVANE_CLUSTER_HOSTS" --user "$MORVANE_CLUSTER_USER" --password="$MORVANE_CLUSTER_PASSWORD"
       --database "$MORVANE_CLUSTER_DATABASE" --timeout 10 --verbose)
IFS=, read -r -a hosts <<<"$MORVANE_CLUSTER_HOSTS"
failures=0

for node in $(seq 1 "${#hosts[@]}"); do
  "$MORVANE_CLUSTER_SCRIPT" kill "$node" || { echo "FAIL: cannot kill node $node" >&2; exit 1; }
  if ! out=$("$query" "${login[@]}" "SELECT @@wsrep_node_name AS node, COUNT(*) AS pixels FROM pixels" 2>&1); then
    echo "FAIL: with node $node down: $out" >&2
    failures=$((failures + 1))
  elif grep -q "node$node" <<<"$out" || grep -q "Connected to ${hosts[node - 1]}$" <<<"$out"; then
    echo "FAIL: node $node answered although it is down: $out" >&2
    failures=$((failures + 1))
  fi
  "$MORVANE_CLUSTER_SCRIPT" rejoin "$node" || { echo "FAIL: node $node did not rejoin" >&2; exit 1; }
done

exit $((failures > 0))
