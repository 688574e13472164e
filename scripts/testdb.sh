#!/usr/bin/env bash
# Starts or stops a private MariaDB server for the tests (or, with --demo, for the demo run).
#   scripts/testdb.sh start [--demo]   prints "export VAR=value" lines to eval
#   scripts/testdb.sh stop  [--demo]
# Test mode: data under build/testdb (initialised once), a free port, database kova made anew.
# Demo mode: data under build/demodb kept between runs, port 33061 (or, when that is taken, the
# demo's last port or another free one), database kova made once.
# Callers take the output first and stop when the script fails: exports=$(scripts/testdb.sh start).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
action=${1:-}
mode=test
[ "${2:-}" = "--demo" ] && mode=demo

if [ "$mode" = demo ]; then
  dir=$top/build/demodb
  preferred_port=33061
else
  dir=$top/build/testdb
  preferred_port=
fi
data=$dir/data
sock=$dir/mariadbd.sock
pidfile=$dir/mariadbd.pid
portfile=$dir/port

root_password=morvane-root
native_user=morvane_native native_password='Native-pw1'
old_user=morvane_old old_password='old-pw'
empty_user=morvane_empty
ssl_user=morvane_ssl ssl_password='Ssl-pw1'
x509_user=morvane_x509 x509_password='X509-pw1'
ed25519_user=morvane_ed25519 ed25519_password='Ed25519-pw1'
tls_dir=$dir/tls

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

# The demo keeps its usual port while it is free, else the port it had last, else any free one.
demo_port() {
  local port
  for port in "$preferred_port" "$(cat "$portfile" 2>/dev/null)"; do
    if [ -n "$port" ] && ! port_in_use "$port"; then echo "$port"; return 0; fi
  done
  log "port $preferred_port is taken; the demo uses another"
  free_port
}

# The error lines the server wrote since the given line of its log, e.g. "Bind on TCP/IP port ...".
server_errors() {
  tail -n +"$(($1 + 1))" "$dir/error.log" 2>/dev/null | grep -F '[ERROR]' >&2 \
    || tail -n 20 "$dir/error.log" >&2 || true
}

# ---- TLS: a private CA with the server's and a client's certificates, a certificate of the same CA
# for another host name, one that has expired, and a second CA that signed nothing the server shows ----

request_certificate() {
  local name=$1 subject=$2
  openssl req -newkey rsa:2048 -nodes -subj "$subject" -keyout "$name-key.pem" -out "$name.csr"
}

sign_certificate() {
  local name=$1 subject=$2 extension=$3
  request_certificate "$name" "$subject"
  openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca-key.pem -CAcreateserial -days 3650 \
    -extfile <(printf '%s\n' "$extension") -out "$name-cert.pem"
}

# "openssl x509 -req" cannot date a certificate in the past; "openssl ca" can, given a throw-away
# database of issued certificates.
sign_expired_certificate() {
  local name=$1 subject=$2
  request_certificate "$name" "$subject"
  mkdir -p issued
  : >issued/index.txt
  openssl rand -hex 8 >issued/serial
  printf '%s\n' '[ca]' 'default_ca = test_ca' '[test_ca]' 'database = issued/index.txt' 'serial = issued/serial' \
    'new_certs_dir = issued' 'default_md = sha256' 'policy = any_name' '[any_name]' 'commonName = supplied' \
    >issued/ca.cnf
  openssl ca -batch -config issued/ca.cnf -cert ca.pem -keyfile ca-key.pem -notext \
    -startdate 20200101000000Z -enddate 20210101000000Z -in "$name.csr" -out "$name-cert.pem"
  rm -rf issued
}

make_certificates() {
  [ -f "$tls_dir/expired-cert.pem" ] && return 0
  mkdir -p "$tls_dir"
  (
    cd "$tls_dir"
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Morvane Test CA" -keyout ca-key.pem -out ca.pem
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Morvane Other CA" \
      -keyout other-ca-key.pem -out other-ca.pem
    sign_certificate server "/CN=localhost" "subjectAltName=DNS:localhost,IP:127.0.0.1"
    sign_certificate client "/CN=morvane-client" "extendedKeyUsage=clientAuth"
    sign_certificate wrong-host "/CN=db.example.org" "subjectAltName=DNS:db.example.org"
    sign_expired_certificate expired "/CN=localhost"
  ) >"$dir/tls.log" 2>&1 || { cat "$dir/tls.log" >&2; return 1; }
}

# A server started before it had certificates is restarted with them.
tls_ready() {
  [ -f "$tls_dir/expired-cert.pem" ] && [ "$(admin_sql -N -e 'SELECT @@have_ssl')" = YES ]
}

tls_server_options() {
  echo "--ssl-ca=$tls_dir/ca.pem --ssl-cert=$tls_dir/server-cert.pem --ssl-key=$tls_dir/server-key.pem"
}

setup_tls_accounts() {
  if ! admin_sql -N -e "SELECT 1 FROM information_schema.PLUGINS WHERE PLUGIN_NAME='ed25519'" | grep -q 1; then
    admin_sql -e "INSTALL SONAME 'auth_ed25519'"
  fi
  admin_sql <<SQL
CREATE OR REPLACE USER '$ssl_user'@'%' IDENTIFIED BY '$ssl_password' REQUIRE SSL;
CREATE OR REPLACE USER '$x509_user'@'%' IDENTIFIED BY '$x509_password' REQUIRE X509;
CREATE OR REPLACE USER '$ed25519_user'@'%' IDENTIFIED VIA ed25519 USING PASSWORD('$ed25519_password');
GRANT ALL PRIVILEGES ON kova.* TO '$ssl_user'@'%', '$x509_user'@'%', '$ed25519_user'@'%';
SQL
}

print_tls_exports() {
  cat <<VARS
export MORVANE_TEST_DB_TLS_DIR=$tls_dir
export MORVANE_TEST_DB_SSL_USER=$ssl_user
export MORVANE_TEST_DB_SSL_PASSWORD=$ssl_password
export MORVANE_TEST_DB_X509_USER=$x509_user
export MORVANE_TEST_DB_X509_PASSWORD=$x509_password
export MORVANE_TEST_DB_ED25519_USER=$ed25519_user
export MORVANE_TEST_DB_ED25519_PASSWORD=$ed25519_password
VARS
}

# The IPv6 loopback too, where the machine has one, so that clients can be tried over both families.
bind_addresses() {
  if grep -qs '^0\{31\}1 ' /proc/net/if_inet6; then echo 127.0.0.1,::1; else echo 127.0.0.1; fi
}

launch() {
  local port=$1 logged
  logged=$(wc -l 2>/dev/null <"$dir/error.log" || echo 0)
  # The demo may hold real registrations: it keeps the durable default of writing the log at every
  # commit. Only the throw-away test server trades that for speed.
  local durability=()
  [ "$mode" = demo ] || durability=(--innodb-flush-log-at-trx-commit=0)
  rm -f "$sock" "$pidfile"
  setsid mariadbd --no-defaults --datadir="$data" --user=root \
    --bind-address="$(bind_addresses)" --port="$port" --socket="$sock" --pid-file="$pidfile" \
    --log-error="$dir/error.log" --skip-name-resolve --secure-auth=OFF \
    --max-allowed-packet=64M --local-infile=ON $(tls_server_options) \
    "${durability[@]}" --innodb-buffer-pool-size=256M \
    </dev/null >/dev/null 2>&1 &
  local server=$!
  for _ in $(seq 1 600); do
    if answers; then echo "$port" >"$portfile"; return 0; fi
    if ! kill -0 "$server" 2>/dev/null; then
      log "the server on port $port ended at start-up; from $dir/error.log:"
      server_errors "$logged"
      return 1
    fi
    sleep 0.1
  done
  log "server did not answer within 60 s; from $dir/error.log:"
  server_errors "$logged"
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
  if server_pid >/dev/null && answers && [ -f "$portfile" ] && tls_ready; then
    log "reusing the server already running on port $(cat "$portfile")"
  else
    stop_server
    init_data
    local port
    make_certificates
    if [ "$mode" = demo ]; then port=$(demo_port); else port=$(free_port); fi
    launch "$port"
  fi
  setup_accounts
  setup_tls_accounts
  create_database
  print_exports
  print_tls_exports
}

case "$action" in
  start) start ;;
  stop) stop_server ;;
  *) echo "usage: $0 start|stop [--demo]" >&2; exit 2 ;;
esac
