#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster for the team store's tests.
#   tools/pg-cluster.sh start DIR   makes a cluster in DIR/data, listening only on a Unix socket in
#                                   DIR (no TCP), trust authentication, a database palvarin_test;
#                                   prints the libpq connection string and keeps it in DIR/conninfo
#   tools/pg-cluster.sh stop DIR    stops it (fast shutdown) and removes DIR
# The server refuses to run as root: as root the cluster belongs to the system user palvarin-pg
# (made when missing); otherwise to the current user.
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
wait_seconds=60

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$(realpath -m "$2")
# The server's user may not enter the caller's folder.
cd /

if [ "$(id -u)" -eq 0 ]; then
  owner=palvarin-pg
  as_owner() { runuser -u "$owner" -- "$@"; }
else
  owner=$(id -un)
  as_owner() { "$@"; }
fi

stop_cluster() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w -t "$wait_seconds" stop >/dev/null
  fi
}

case "$action" in
  start)
    [ -x "$bin/initdb" ] || { echo "$0: PostgreSQL 15 is not installed ($bin)" >&2; exit 1; }
    # A Unix socket's path is limited to 107 bytes.
    if [ $((${#dir} + 20)) -gt 107 ]; then
      echo "$0: $dir is too long a path for the server's socket" >&2; exit 1
    fi
    if [ "$(id -u)" -eq 0 ] && ! getent passwd "$owner" >/dev/null; then
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$owner"
    fi
    # What a run that was cut short left behind.
    if [ -e "$dir" ]; then
      stop_cluster || true
      rm -rf "$dir"
    fi
    mkdir -p "$dir"
    [ "$(id -u)" -ne 0 ] || chown "$owner": "$dir"
    if ! as_owner test -w "$dir"; then
      echo "$0: $owner cannot write $dir (a folder above it is closed to that user)" >&2; exit 1
    fi
    as_owner "$bin/initdb" -D "$dir/data" -U "$owner" -A trust -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    # Throwaway data: durability is not worth the tests' time.
    as_owner tee -a "$dir/data/postgresql.conf" >/dev/null <<CONF
listen_addresses = ''
unix_socket_directories = '$dir'
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t "$wait_seconds" start >/dev/null ||
      { cat "$dir/server.log" >&2; exit 1; }
    as_owner "$bin/createdb" -h "$dir" -U "$owner" palvarin_test
    conninfo="host=$dir dbname=palvarin_test user=$owner"
    as_owner tee "$dir/conninfo" >/dev/null <<<"$conninfo"
    echo "$conninfo"
    ;;
  stop)
    if [ -e "$dir" ]; then
      stop_cluster
      rm -rf "$dir"
    fi
    ;;
  *) usage ;;
esac
