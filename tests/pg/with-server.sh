#!/usr/bin/env bash
# Runs a command beside a private PostgreSQL server for the tests: a cluster
# made in a temporary folder by an unprivileged user, reached only through a
# Unix socket in that folder (no TCP), stopped and removed when the command
# ends, whether it passed or not. The command finds the socket's folder in
# ORVALIS_PG_SOCKET; the superuser is "orvalis", the database "orvalis_test".
#   usage: tests/pg/with-server.sh COMMAND [ARG...]
set -euo pipefail
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
  echo "with-server.sh: no PostgreSQL server installed" >&2
  exit 1
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/orvalis-pg.XXXXXX")
as=()
if [ "$(id -u)" -eq 0 ]; then
  # The server refuses to run as root: a user of its own, made once.
  id orvalis-test >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin orvalis-test
  chown orvalis-test "$dir"
  as=(runuser -u orvalis-test --)
fi
stop() {
  "${as[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT
trap 'exit 130' INT TERM HUP
"${as[@]}" "$bindir/initdb" -D "$dir/data" -U orvalis --auth=trust -E UTF8 --locale=C >/dev/null
# fsync off: the tests' server never outlives its folder (ORVALIS_PG_FSYNC=on
# for figures of a real server's commits).
"${as[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -s \
  -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=${ORVALIS_PG_FSYNC:-off} -c max_connections=100" start
"${as[@]}" "$bindir/createdb" -h "$dir" -U orvalis orvalis_test
export ORVALIS_PG_SOCKET=$dir
"$@"
