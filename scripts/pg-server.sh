#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests and the benchmarks: Debian's server binaries, a cluster made with
# initdb in a folder of its own, listening on 127.0.0.1 only on a free port, run by an unprivileged user when the
# caller is root, and an ODBC data source "Corvane" for it through the psqlODBC ANSI driver with client encoding GBK.
#
#   scripts/pg-server.sh start DIR [--durable]
#       Makes DIR (it must not exist yet), starts the server and writes:
#         DIR/odbc.ini    the data source "Corvane" (database "corvane", a UTF-8 database with no tables yet);
#                         point ODBCINI at it
#         DIR/server.env  PGHOST, PGPORT, PGUSER, PGPASSWORD, PGDATABASE for psql and for the tests
#       The server does not sync its files to disk (the data is thrown away) unless --durable is given, as the
#       benchmarks do: then it runs with PostgreSQL's own settings, as a team's server would, and a commit returns
#       only once its log is on the disk, so that no import reported as stored is lost to a crash.
#   scripts/pg-server.sh stop DIR
#       Stops the server at once and removes DIR.
#
# Exits non-zero with a message on standard error when the server cannot start, so that whatever needs it fails
# with that message rather than skipping.
set -euo pipefail

usage() {
    echo "usage: $0 start DIR [--durable] | stop DIR" >&2
    exit 2
}

[ $# -ge 2 ] || usage
action=$1
dir=$2

find_bin() {
    local found
    found=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
    if [ -z "$found" ] || [ ! -x "$found/initdb" ]; then
        echo "pg-server: no PostgreSQL server binaries under /usr/lib/postgresql (install the postgresql package)" >&2
        exit 1
    fi
    echo "$found"
}

# Runs a command as the server's owner: as root, an unprivileged user (PostgreSQL refuses to run as root).
owner=""
as_owner() {
    if [ -n "$owner" ]; then
        runuser -u "$owner" -- "$@"
    else
        "$@"
    fi
}

pick_owner() {
    if [ "$(id -u)" -ne 0 ]; then
        owner=""
    elif id postgres >/dev/null 2>&1; then
        owner=postgres
    else
        owner=nobody
    fi
}

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

start() {
    local durable=$1
    local bin
    bin=$(find_bin)
    if [ -e "$dir" ]; then
        echo "pg-server: $dir already exists" >&2
        exit 1
    fi
    pick_owner
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    # Whoever runs the server must reach its folder: a folder under a private one (root's /tmp/xyz with mode 700)
    # is not enough, so the server's files live in a folder of their own that the owner can enter.
    chmod 755 "$dir"
    mkdir "$dir/socket"
    local password
    password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
    printf '%s\n' "$password" >"$dir/password"
    if [ -n "$owner" ]; then
        chown "$owner" "$dir" "$dir/socket" "$dir/password"
        # The folders above must let the owner through.
        local up
        up=$(dirname "$dir")
        if ! runuser -u "$owner" -- test -x "$up"; then
            echo "pg-server: $owner cannot enter $up; choose a folder it can reach (e.g. under /tmp)" >&2
            exit 1
        fi
    fi
    chmod 600 "$dir/password"

    if ! as_owner "$bin/initdb" -D "$dir/data" -U corvane --pwfile="$dir/password" -A scram-sha-256 \
        -E UTF8 --locale=C.UTF-8 --no-instructions --no-sync >"$dir/initdb.log" 2>&1; then
        echo "pg-server: initdb failed:" >&2
        cat "$dir/initdb.log" >&2
        exit 1
    fi
    local sync_options="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    [ "$durable" = 1 ] && sync_options=""
    local port="" tries
    for tries in 1 2 3 4 5; do
        port=$(free_port)
        # listen_addresses: loopback only; the socket goes into our own folder, not /var/run/postgresql.
        if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $dir/socket -c max_connections=200 $sync_options" \
            >/dev/null 2>&1; then
            break
        fi
        port=""
    done
    if [ -z "$port" ]; then
        echo "pg-server: the server did not start:" >&2
        tail -n 20 "$dir/server.log" >&2 || true
        exit 1
    fi

    cat >"$dir/server.env" <<EOF
PGHOST=127.0.0.1
PGPORT=$port
PGUSER=corvane
PGPASSWORD=$password
PGDATABASE=corvane
EOF
    # The book's database: UTF-8, so that other tools see readable text whatever the program's code page.
    if ! PGHOST=127.0.0.1 PGPORT=$port PGUSER=corvane PGPASSWORD=$password \
        "$bin/psql" -X -q -v ON_ERROR_STOP=1 -d postgres \
        -c "create database corvane encoding 'UTF8' template template0" >"$dir/createdb.log" 2>&1; then
        echo "pg-server: cannot create the database:" >&2
        cat "$dir/createdb.log" >&2
        exit 1
    fi
    cat >"$dir/odbc.ini" <<EOF
[Corvane]
Description = Corvane's address book on a throw-away server
Driver      = PostgreSQL ANSI
Servername  = 127.0.0.1
Port        = $port
Database    = corvane
Username    = corvane
Password    = $password
ConnSettings = SET client_encoding TO 'GBK'
EOF
    chmod 600 "$dir/odbc.ini" "$dir/server.env"
    echo "pg-server: PostgreSQL listening on 127.0.0.1:$port, data source Corvane in $dir/odbc.ini"
}

stop() {
    local bin
    bin=$(find_bin)
    [ -d "$dir" ] || exit 0
    pick_owner
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
}

case "$action" in
start)
    durable=0
    [ "${3:-}" = "--durable" ] && durable=1
    start "$durable"
    ;;
stop) stop ;;
*) usage ;;
esac
