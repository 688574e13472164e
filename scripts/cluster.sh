#!/usr/bin/env bash
# Starts or stops a private cluster of N MariaDB nodes with synchronous (Galera) replication on
# loopback, for the cluster tests and the cluster benchmark.
#   scripts/cluster.sh start [N]    N nodes (default 3); prints "export VAR=value" lines to eval,
#                                    among them MORVANE_CLUSTER_HOSTS=127.0.0.1:P1,127.0.0.1:P2,...
#   scripts/cluster.sh stop         stops every node
#   scripts/cluster.sh kill I       kills node I at once (kill -9), as a crash
#   scripts/cluster.sh rejoin I     starts node I again; it rejoins and waits until it is synced
# Data under build/cluster, made anew on every start. The nodes run as the mysql user (state
# transfer by rsync fails for root) with folders it owns, each with its own client, group,
# state-transfer and incremental-transfer ports.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build/cluster
action=${1:-}
provider=/usr/lib/galera/libgalera_smm.so
root_password=morvane-root
database=kova

log() { echo "cluster: $*" >&2; }

node_dir() { echo "$dir/node$1"; }
node_sock() { echo "$(node_dir "$1")/mariadbd.sock"; }
node_count() { cat "$dir/count"; }
# Ports of node I: client, group communication, state transfer, incremental transfer.
node_port() { sed -n "$2p" "$(node_dir "$1")/ports"; }

# The running server of node I: the process the launch started, else the one its pid file names.
# The server writes its pid file in steps, so an empty one says nothing about the process.
node_pid() {
  local d file pid
  d=$(node_dir "$1")
  for file in "$d/launched.pid" "$d/mariadbd.pid"; do
    pid=$(cat "$file" 2>/dev/null) || continue
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      echo "$pid"
      return 0
    fi
  done
  return 1
}

node_sql() {
  local i=$1
  shift
  mariadb --no-defaults --socket="$(node_sock "$i")" -uroot --connect-timeout=2 "$@"
}

node_status() {
  node_sql "$1" -N -e "SHOW GLOBAL STATUS LIKE '$2'" 2>/dev/null | cut -f2
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Free loopback ports, none handed out twice in one start; below the kernel's ephemeral range, where
# a port nobody listens on may still be bound by an outgoing connection. Sets $port (a function
# printing it would run in a subshell and forget what it handed out).
taken=" "
pick_free_port() {
  for _ in $(seq 1 200); do
    port=$((20000 + RANDOM % 12000))
    if [[ "$taken" != *" $port "* ]] && ! port_in_use "$port"; then
      taken+="$port "
      return 0
    fi
  done
  log "no free port found"
  return 1
}

install_packages() {
  local missing=()
  command -v mariadbd >/dev/null 2>&1 || missing+=(mariadb-server mariadb-client)
  [ -f "$provider" ] || missing+=(galera-4)
  command -v rsync >/dev/null 2>&1 || missing+=(rsync)
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >&2
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
  fi
}

cluster_address() {
  local addresses=() i
  for i in $(seq 1 "$(node_count)"); do addresses+=("127.0.0.1:$(node_port "$i" 2)"); done
  local IFS=,
  echo "gcomm://${addresses[*]}"
}

launch() {
  local i=$1 first=${2:-} d
  d=$(node_dir "$i")
  # A first instance still starting would hold the ports; a second copy must never run beside it.
  stop_node "$i"
  rm -f "$d/mariadbd.sock" "$d/mariadbd.pid" "$d/launched.pid"
  setsid mariadbd --no-defaults --datadir="$d/data" --user=mysql \
    --bind-address=127.0.0.1 --port="$(node_port "$i" 1)" --socket="$d/mariadbd.sock" \
    --pid-file="$d/mariadbd.pid" --log-error="$d/error.log" --skip-name-resolve \
    --binlog-format=ROW --default-storage-engine=InnoDB --innodb-autoinc-lock-mode=2 \
    --innodb-flush-log-at-trx-commit=0 --innodb-buffer-pool-size=64M --max-allowed-packet=64M \
    --wsrep-on=ON --wsrep-provider="$provider" --wsrep-cluster-name=morvane \
    --wsrep-cluster-address="$(cluster_address)" --wsrep-node-name="node$i" \
    --wsrep-node-address="127.0.0.1:$(node_port "$i" 2)" \
    --wsrep-provider-options="gmcast.listen_addr=tcp://127.0.0.1:$(node_port "$i" 2);ist.recv_addr=127.0.0.1:$(node_port "$i" 4)" \
    --wsrep-sst-method=rsync --wsrep-sst-receive-address="127.0.0.1:$(node_port "$i" 3)" \
    --wsrep-sync-wait=1 \
    $first </dev/null >/dev/null 2>&1 &
  # Without job control the background command is no group leader, so setsid runs the server itself.
  echo "$!" >"$d/launched.pid"
}

# Waits until node I is synced and ready for clients.
wait_ready() {
  local i=$1
  for _ in $(seq 1 1200); do
    [ "$(node_status "$i" wsrep_ready)" = ON ] &&
      [ "$(node_status "$i" wsrep_local_state_comment)" = Synced ] && return 0
    node_pid "$i" >/dev/null || break
    sleep 0.1
  done
  log "node $i did not become ready; see $(node_dir "$i")/error.log"
  tail -n 20 "$(node_dir "$i")/error.log" >&2 || true
  return 1
}

stop_node() {
  local pid
  pid=$(node_pid "$1") || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  log "node $1 did not stop in 30 s; killing it"
  kill -KILL "$pid" 2>/dev/null || true
}

stop_all() {
  [ -f "$dir/count" ] || return 0
  local i
  # The last node to leave is the first in the list, so the others do not wait for a quorum.
  for i in $(seq "$(node_count)" -1 1); do stop_node "$i"; done
  # A node whose pid file is gone (a start that failed half-way) is found by its data folder.
  pkill -KILL -f -- "--datadir=$dir/node" 2>/dev/null || true
}

# Node 1's data folder is set up once and copied; the others receive theirs by state transfer.
prepare_data() {
  local i=$1 d
  d=$(node_dir "$i")
  rm -rf "$d"
  mkdir -p "$d/data"
  if [ "$i" = 1 ]; then
    if [ ! -d "$dir/template/mysql" ]; then
      rm -rf "$dir/template"
      mkdir -p "$dir/template"
      mariadb-install-db --no-defaults --datadir="$dir/template" --user=mysql \
        --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 \
        || { cat "$dir/install.log" >&2; return 1; }
    fi
    cp -a "$dir/template/." "$d/data/"
  fi
  chown -R mysql:mysql "$d"
}

setup_database() {
  node_sql 1 <<SQL
DROP USER IF EXISTS ''@'localhost';
CREATE OR REPLACE USER 'root'@'127.0.0.1' IDENTIFIED BY '$root_password';
GRANT ALL PRIVILEGES ON *.* TO 'root'@'127.0.0.1' WITH GRANT OPTION;
DROP DATABASE IF EXISTS $database;
CREATE DATABASE $database CHARACTER SET utf8mb3;
SQL
  node_sql 1 "$database" <"$top/scripts/schema.sql"
}

print_exports() {
  local hosts=() i
  for i in $(seq 1 "$(node_count)"); do hosts+=("127.0.0.1:$(node_port "$i" 1)"); done
  local IFS=,
  cat <<VARS
export MORVANE_CLUSTER_HOSTS=${hosts[*]}
export MORVANE_CLUSTER_DATABASE=$database
export MORVANE_CLUSTER_USER=root
export MORVANE_CLUSTER_PASSWORD=$root_password
export MORVANE_CLUSTER_SCRIPT=$top/scripts/cluster.sh
VARS
}

start() {
  local count=${1:-3} i
  [[ "$count" =~ ^[1-9][0-9]?$ ]] || { log "node count must be a number from 1 to 99"; return 2; }
  install_packages
  stop_all
  mkdir -p "$dir"
  chown mysql:mysql "$dir"
  echo "$count" >"$dir/count"
  for i in $(seq 1 "$count"); do
    prepare_data "$i"
    local ports=() port
    for _ in 1 2 3 4; do pick_free_port; ports+=("$port"); done
    printf '%s\n' "${ports[@]}" >"$(node_dir "$i")/ports"
  done
  launch 1 --wsrep-new-cluster
  wait_ready 1
  for i in $(seq 2 "$count"); do
    launch "$i"
    # A state transfer that failed ends the joiner; it asks for a new one when started again.
    wait_ready "$i" || { log "starting node $i once more"; launch "$i"; wait_ready "$i"; }
  done
  for i in $(seq 1 "$count"); do
    for _ in $(seq 1 300); do
      [ "$(node_status "$i" wsrep_cluster_size)" = "$count" ] && break
      sleep 0.1
    done
    [ "$(node_status "$i" wsrep_cluster_size)" = "$count" ] ||
      { log "node $i does not see $count nodes"; return 1; }
  done
  setup_database
  print_exports
}

node_number() {
  [[ "${1:-}" =~ ^[0-9]+$ ]] && [ -f "$dir/count" ] && [ "$1" -ge 1 ] && [ "$1" -le "$(node_count)" ] ||
    { log "no such node: ${1:-}"; exit 2; }
}

case "$action" in
  start) start "${2:-3}" ;;
  stop) stop_all ;;
  kill)
    node_number "${2:-}"
    pid=$(node_pid "$2") && kill -KILL "$pid" && while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    ;;
  rejoin)
    node_number "${2:-}"
    node_pid "$2" >/dev/null || { launch "$2"; wait_ready "$2"; }
    ;;
  freeze | thaw)
    # A node that stops answering without dying, as under a stall of its machine.
    node_number "${2:-}"
    pid=$(node_pid "$2") && kill "-$([ "$action" = freeze ] && echo STOP || echo CONT)" "$pid"
    ;;
  *) echo "usage: $0 start [N] | stop | kill I | rejoin I | freeze I | thaw I" >&2; exit 2 ;;
esac
