#!/usr/bin/env bash
# Starts (start ROOT) or stops (stop ROOT) the loopback AccurateRip server
# that the end-to-end tests ask. It serves ROOT/files (the tests write the
# database files there), writes its port to ROOT/port and its requests to
# ROOT/requests.log, and ends by itself after an hour.
set -euo pipefail
action=$1
root=$2
here=$(dirname "$0")
case "$action" in
  start)
    mkdir -p "$root/files"
    rm -f "$root/port"
    nohup python3 "$here/accuraterip_server.py" --root "$root/files" --port-file "$root/port" --lifetime 3600 \
      --log "$root/requests.log" </dev/null >"$root/server.log" 2>&1 &
    for _ in $(seq 100); do
      [ -s "$root/port" ] && exit 0
      sleep 0.1
    done
    echo "the AccurateRip test server did not start:" >&2
    cat "$root/server.log" >&2
    exit 1
    ;;
  stop)
    [ -s "$root/port" ] || exit 0
    python3 -c "import sys, urllib.request; urllib.request.urlopen('http://127.0.0.1:%s/quit' % sys.argv[1], timeout=5)" \
      "$(cat "$root/port")" || true
    ;;
esac
