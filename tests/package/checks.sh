# Sourced by the package tests: named checks that report and count failures, and the end.
#   check NAME COMMAND...   runs the command; prints "ok: NAME", or "FAILED: NAME" when it
#                           fails or said why anywhere
#   why REASON              prints the reason and fails the check; the command may go on
#   finish                  exits 1 when any check failed
#   built DIR NAME          the path of the program NAME that the build in DIR made
failures=0
check() {
  local name=$1
  shift
  reasons=0
  if "$@" && [ "$reasons" -eq 0 ]; then
    echo "ok: $name"
  else
    echo "FAILED: $name"
    failures=$((failures + 1))
  fi
}
finish() {
  echo "$failures failed"
  [ "$failures" -eq 0 ]
}
why() {
  echo "  $*" >&2
  reasons=$((reasons + 1))
  return 1
}
built() {
  find "$1" -name CMakeFiles -prune -o -type f -name "$2" -print -quit
}
