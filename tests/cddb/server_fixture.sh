#!/usr/bin/env bash
# Starts (start ROOT) or stops (stop ROOT) the loopback CDDB server and the
# loopback MusicBrainz-style server that the end-to-end tests query. The CDDB
# server serves ROOT/entries, writes its port to ROOT/port and its requests to
# ROOT/requests.log; the MusicBrainz one serves ROOT/musicbrainz, writes
# ROOT/mb-port and ROOT/mb-requests.log. Both end by themselves after an hour
# should nothing stop them.
set -euo pipefail
action=$1
root=$2
here=$(dirname "$0")

wait_for_port() {
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  echo "the $2 test server did not start:" >&2
  cat "$3" >&2
  exit 1
}

stop_server() {
  [ -s "$1" ] || return 0
  python3 -c "import sys, urllib.request; urllib.request.urlopen('http://127.0.0.1:%s/quit' % sys.argv[1], timeout=5)" \
    "$(cat "$1")" || true
}

case "$action" in
  start)
    mkdir -p "$root/entries" "$root/musicbrainz"
    rm -f "$root/port" "$root/mb-port"
    nohup python3 "$here/cddb_server.py" --root "$root/entries" --port-file "$root/port" --lifetime 3600 \
      --log "$root/requests.log" </dev/null >"$root/server.log" 2>&1 &
    nohup python3 "$here/musicbrainz_server.py" --root "$root/musicbrainz" --port-file "$root/mb-port" \
      --lifetime 3600 --log "$root/mb-requests.log" </dev/null >"$root/mb-server.log" 2>&1 &
    wait_for_port "$root/port" CDDB "$root/server.log"
    wait_for_port "$root/mb-port" MusicBrainz "$root/mb-server.log"
    ;;
  stop)
    stop_server "$root/port"
    stop_server "$root/mb-port"
    ;;
esac
