#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL 15 server for the tests.
#   scripts/pg-server.sh start DIR   -> prints the connection URI on stdout
#   scripts/pg-server.sh stop DIR
#   scripts/pg-server.sh restart DIR SECONDS  -> stops it (fast), waits, starts it again on its port
# The cluster lives in DIR (owned by the postgres user when run as root),
# listens on a Unix socket in DIR and on a free loopback port.
set -euo pipefail
cmd=${1:?start|stop}
dir=${2:?directory}
pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$pgbin" ] || { echo "PostgreSQL server binaries not found (apt-get install postgresql-15)" >&2; exit 1; }

as_pg() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

start_server() {
  as_pg "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-k $dir -p $port -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
}

case "$cmd" in
start)
  mkdir -p "$dir"
  [ "$(id -u)" = 0 ] && chown postgres:postgres "$dir"
  as_pg "$pgbin/initdb" -D "$dir/data" -U postgres -A trust --no-sync >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  port=
  for _ in $(seq 1 200); do
    candidate=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
  done
  [ -n "$port" ] || { echo "no free port found" >&2; exit 1; }
  echo "$port" >"$dir/port"
  start_server
  echo "postgresql://postgres@/postgres?host=$dir&port=$port"
  ;;
restart)
  pause=${3:?seconds}
  port=$(cat "$dir/port")
  as_pg "$pgbin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  sleep "$pause"
  start_server
  ;;
stop)
  [ -d "$dir/data" ] && as_pg "$pgbin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  ;;
esac
