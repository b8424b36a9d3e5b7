#!/usr/bin/env bash
# The shipped pop-up under Wine in the virtual X server, closed from the keyboard: the probe runs
# it through the plug-in's client; the window must appear, wait for the user, close on Escape (and
# on Enter) pressed through the X server, and leave an answer that the client parses.
#   popup_escape_test.sh PROBE.exe POPUP.exe WINE_PREFIX
# It runs in an X server and a Wine prefix of its own: the windows of tests running beside it
# would take the keyboard's focus.
set -uo pipefail
probe=$1
export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${TG_OWN_DISPLAY:-}" ]; then
  if [ ! -f "$WINEPREFIX/.tessgrain-ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    touch "$WINEPREFIX/.tessgrain-ready"
  fi
  # The prefix's first process binds it to a display: none may outlive the set-up.
  wineserver -w
  TG_OWN_DISPLAY=1 xvfb-run -a bash "$0" "$@"
  status=$?
  wineserver -k >/dev/null 2>&1
  exit $status
fi
# A copy in a folder of our own: ours is the window whose process runs from this folder, should
# another pop-up of the same title show on this X server.
own=$(mktemp -d)
out=$own/answer.txt
trap 'rm -rf "$own"' EXIT
cp "$2" "$own/Orbisk.exe"

our_window() {
  local w pid
  for w in $(xdotool search --onlyvisible --name '^Orbisk Tessgrain$' 2>/dev/null); do
    pid=$(xdotool getwindowpid "$w" 2>/dev/null) || continue
    if ps -o args= -p "$pid" | grep -qF "$own/Orbisk.exe"; then echo "$w"; return 0; fi
  done
  return 1
}

close_with() {
  local key=$1 window="" running
  # The pop-up's own timer ends it, long after the checks below, should the key not.
  ORBISK_AUTOCLOSE_MS=30000 wine "$probe" "Z:$own/Orbisk.exe" >"$out" 2>&1 &
  running=$!
  for _ in $(seq 600); do window=$(our_window) && break; sleep 0.1; done
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
