#!/usr/bin/env bash
# Starts or stops a private MariaDB server for the tests (or, with --demo, for the demo run).
#   scripts/testdb.sh start [--demo]   prints "export VAR=value" lines to eval
#   scripts/testdb.sh stop  [--demo]
# Test mode: data under build/testdb (initialised once), a free port, database kova made anew.
# Demo mode: data under build/demodb kept between runs, port 33061, database kova made once.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
action=${1:-}
mode=test
[ "${2:-}" = "--demo" ] && mode=demo

if [ "$mode" = demo ]; then
  dir=$top/build/demodb
  fixed_port=33061
else
  dir=$top/build/testdb
  fixed_port=
fi
data=$dir/data
sock=$dir/mariadbd.sock
pidfile=$dir/mariadbd.pid
portfile=$dir/port

root_password=morvane-root
native_user=morvane_native native_password='Native-pw1'
old_user=morvane_old old_password='old-pw'
empty_user=morvane_empty

log() { echo "testdb: $*" >&2; }

server_pid() {
  [ -f "$pidfile" ] || return 1
  local pid
  pid=$(cat "$pidfile" 2>/dev/null) || return 1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && echo "$pid"
}

answers() {
  mariadb-admin --no-defaults --socket="$sock" -uroot --connect-timeout=2 ping >/dev/null 2>&1
}

admin_sql() {
  mariadb --no-defaults --socket="$sock" -uroot "$@"
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

free_port() {
  local port
  for _ in $(seq 1 200); do
    port=$((20000 + RANDOM % 30000))
    if ! port_in_use "$port"; then echo "$port"; return 0; fi
  done
  log "no free port found"
  return 1
}

stop_server() {
  local pid
  pid=$(server_pid) || { rm -f "$sock" "$pidfile"; return 0; }
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    log "server $pid did not stop in 30 s; killing it"
    kill -KILL "$pid" 2>/dev/null || true
    sleep 0.5
  fi
  rm -f "$sock" "$pidfile"
}

install_server() {
  if ! command -v mariadbd >/dev/null 2>&1 || ! command -v mariadb >/dev/null 2>&1; then
    log "installing mariadb-server"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >&2
    apt-get install -y -qq --no-install-recommends mariadb-server mariadb-client >&2
  fi
}

init_data() {
  [ -d "$data/mysql" ] && return 0
  rm -rf "$data"
  mkdir -p "$data"
  log "initialising $data"
  mariadb-install-db --no-defaults --datadir="$data" --user=root \
    --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 \
    || { cat "$dir/install.log" >&2; return 1; }
}

launch() {
  local port=$1
  # The demo may hold real registrations: it keeps the durable default of writing the log at every
  # commit. Only the throw-away test server trades that for speed.
  local durability=()
  [ "$mode" = demo ] || durability=(--innodb-flush-log-at-trx-commit=0)
  rm -f "$sock" "$pidfile"
  setsid mariadbd --no-defaults --datadir="$data" --user=root \
    --bind-address=127.0.0.1 --port="$port" --socket="$sock" --pid-file="$pidfile" \
    --log-error="$dir/error.log" --skip-name-resolve --secure-auth=OFF \
    --max-allowed-packet=64M --local-infile=ON \
    "${durability[@]}" --innodb-buffer-pool-size=256M \
    </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 600); do
    if answers; then echo "$port" >"$portfile"; return 0; fi
    sleep 0.1
  done
  log "server did not answer within 60 s; see $dir/error.log"
  tail -n 20 "$dir/error.log" >&2 || true
  return 1
}

setup_accounts() {
  admin_sql <<SQL
DROP USER IF EXISTS ''@'localhost';
CREATE OR REPLACE USER 'root'@'127.0.0.1' IDENTIFIED BY '$root_password';
GRANT ALL PRIVILEGES ON *.* TO 'root'@'127.0.0.1' WITH GRANT OPTION;
SET old_passwords=0;
CREATE OR REPLACE USER '$native_user'@'%' IDENTIFIED BY '$native_password';
SET old_passwords=1;
CREATE OR REPLACE USER '$old_user'@'%' IDENTIFIED BY '$old_password';
SET old_passwords=0;
CREATE OR REPLACE USER '$empty_user'@'%';
GRANT ALL PRIVILEGES ON kova.* TO '$native_user'@'%', '$old_user'@'%', '$empty_user'@'%';
FLUSH PRIVILEGES;
SQL
}

create_database() {
  if [ "$mode" = demo ] && admin_sql -N -e "SHOW DATABASES LIKE 'kova'" | grep -q kova; then
    return 0
  fi
  admin_sql -e "DROP DATABASE IF EXISTS kova; CREATE DATABASE kova CHARACTER SET utf8mb3"
  admin_sql kova <"$top/scripts/schema.sql"
  if [ "$mode" = demo ]; then
    admin_sql kova <"$top/scripts/demo-data.sql"
  fi
}

print_exports() {
  cat <<VARS
export MORVANE_TEST_DB_HOST=127.0.0.1
export MORVANE_TEST_DB_PORT=$(cat "$portfile")
export MORVANE_TEST_DB_SOCKET=$sock
export MORVANE_TEST_DB_DATABASE=kova
export MORVANE_TEST_DB_ROOT_USER=root
export MORVANE_TEST_DB_ROOT_PASSWORD=$root_password
export MORVANE_TEST_DB_NATIVE_USER=$native_user
export MORVANE_TEST_DB_NATIVE_PASSWORD=$native_password
export MORVANE_TEST_DB_OLD_USER=$old_user
export MORVANE_TEST_DB_OLD_PASSWORD=$old_password
export MORVANE_TEST_DB_EMPTY_USER=$empty_user
VARS
}

start() {
  install_server
  mkdir -p "$dir"
  if server_pid >/dev/null && answers && [ -f "$portfile" ]; then
    log "reusing the server already running on port $(cat "$portfile")"
  else
    stop_server
    init_data
    launch "${fixed_port:-$(free_port)}"
  fi
  setup_accounts
  create_database
  print_exports
}

case "$action" in
  start) start ;;
  stop) stop_server ;;
  *) echo "usage: $0 start|stop [--demo]" >&2; exit 2 ;;
esac
