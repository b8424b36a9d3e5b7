#!/usr/bin/env bash
# The shipped pop-up under Wine in the virtual X server, closed from the keyboard: the probe runs
# it through the plug-in's client; the window must appear, wait for the user, close on Escape (and
# on Enter) pressed through the X server, and leave an answer that the client parses.
#   popup_escape_test.sh PROBE.exe POPUP.exe
set -uo pipefail
probe=$1 popup=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT

close_with() {
  local key=$1
  # The pop-up's own timer ends it, long after the checks below, should the key not.
  ORBISK_AUTOCLOSE_MS=30000 wine "$probe" "Z:$popup" >"$out" 2>&1 &
  local running=$!
  local window
  window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Orbisk Tessgrain$' | head -1)
  if [ -z "$window" ]; then
    echo "$key: no pop-up window appeared"; kill "$running"; cat "$out"; return 1
  fi
  sleep 1
  if ! kill -0 "$running" 2>/dev/null; then
    echo "$key: the pop-up closed before the key"; cat "$out"; return 1
  fi
  xdotool windowfocus --sync "$window" key "$key"
  for _ in $(seq 100); do kill -0 "$running" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$running" 2>/dev/null; then
    echo "$key did not close the pop-up"; kill "$running"; cat "$out"; return 1
  fi
  wait "$running"
  local status=$?
  echo "$key: $(cat "$out")"
  if [ "$status" -ne 0 ] ||
     ! grep -q '^parsed: {"closed":true,"plugin":{"name":"Orbisk Tessgrain"' "$out"; then
    echo "$key: the answer did not parse, or is not the pop-up's (exit status $status)"; return 1
  fi
}

close_with Escape && close_with Return
