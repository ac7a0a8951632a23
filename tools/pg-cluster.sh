#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster for the team store's tests.
#   tools/pg-cluster.sh start DIR [durable]
#                                   makes a cluster listening only on a Unix socket (no TCP),
#                                   trust authentication, a database palvarin_test; prints the
#                                   libpq connection string and keeps it in DIR/conninfo; tests
#                                   skip flushing to disk, "durable" keeps the server's default
#                                   (commits flushed, as on a real server: for benchmarks)
#   tools/pg-cluster.sh stop DIR    stops it (fast shutdown) and removes it and DIR
#   tools/pg-cluster.sh halt DIR    stops the server only, keeping the cluster (a server gone away)
#   tools/pg-cluster.sh resume DIR  starts a halted server again
# The cluster itself lives in a fresh folder under /tmp, named in DIR/cluster: a build tree may
# lie where the server's user cannot enter (under /root) or too deep for a socket's path.
# The server refuses to run as root: as root the cluster belongs to the system user palvarin-pg
# (made when missing); otherwise to the current user.
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
wait_seconds=60

usage() { echo "usage: $0 start|stop|halt|resume DIR [durable]" >&2; exit 2; }
[ $# -eq 2 ] || [ $# -eq 3 ] || usage
action=$1
dir=$(realpath -m "$2")
durable=${3:-}
[ -z "$durable" ] || [ "$durable" = durable ] || usage
# The server's user may not enter the caller's folder.
cd /

if [ "$(id -u)" -eq 0 ]; then
  owner=palvarin-pg
  as_owner() { runuser -u "$owner" -- "$@"; }
else
  owner=$(id -un)
  as_owner() { "$@"; }
fi

# Stops the cluster DIR names and removes it and DIR.
remove_cluster() {
  local cluster
  cluster=$(cat "$dir/cluster" 2>/dev/null || true)
  if [ -n "$cluster" ] && [ -f "$cluster/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$cluster/data" -m fast -w -t "$wait_seconds" stop >/dev/null || true
  fi
  case "$cluster" in /tmp/palvarin-pg.*) rm -rf "$cluster" ;; esac
  rm -rf "$dir"
}

case "$action" in
  start)
    [ -x "$bin/initdb" ] || { echo "$0: PostgreSQL 15 is not installed ($bin)" >&2; exit 1; }
    if [ "$(id -u)" -eq 0 ] && ! getent passwd "$owner" >/dev/null; then
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$owner"
    fi
    # What a run that was cut short left behind.
    [ ! -e "$dir" ] || remove_cluster
    mkdir -p "$dir"
    cluster=$(mktemp -d /tmp/palvarin-pg.XXXXXX)
    echo "$cluster" >"$dir/cluster"
    [ "$(id -u)" -ne 0 ] || chown "$owner": "$cluster"
    as_owner "$bin/initdb" -D "$cluster/data" -U "$owner" -A trust -E UTF8 --locale=C.UTF-8 --no-sync \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner tee -a "$cluster/data/postgresql.conf" >/dev/null <<CONF
listen_addresses = ''
unix_socket_directories = '$cluster'
CONF
    # Throwaway data: durability is not worth the tests' time.
    if [ -z "$durable" ]; then
      as_owner tee -a "$cluster/data/postgresql.conf" >/dev/null <<CONF
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
    fi
    as_owner "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t "$wait_seconds" start >/dev/null ||
      { cat "$cluster/server.log" >&2; exit 1; }
    as_owner "$bin/createdb" -h "$cluster" -U "$owner" palvarin_test
    conninfo="host=$cluster dbname=palvarin_test user=$owner"
    echo "$conninfo" >"$dir/conninfo"
    echo "$conninfo"
    ;;
  stop)
    [ ! -e "$dir" ] || remove_cluster
    ;;
  halt | resume)
    cluster=$(cat "$dir/cluster")
    case "$cluster" in /tmp/palvarin-pg.*) ;; *) echo "$0: no cluster in $dir" >&2; exit 1 ;; esac
    if [ "$action" = halt ]; then
      as_owner "$bin/pg_ctl" -D "$cluster/data" -m fast -w -t "$wait_seconds" stop >/dev/null
    else
      as_owner "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t "$wait_seconds" start >/dev/null
    fi
    ;;
  *) usage ;;
esac
