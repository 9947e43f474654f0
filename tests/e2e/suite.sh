#!/usr/bin/env bash
# The end-to-end cases; run through run-all, which provides the display.
set -uo pipefail
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
passed=0
failed=0

# Waits for a visible window whose title matches; prints its id.
window_of() {
  local i
  for i in $(seq 1 100); do
    local id
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# Waits until FILE holds exactly the bytes of EXPECTED.
wait_for_bytes() {
  local i
  for i in $(seq 1 50); do
    cmp -s "$1" "$2" && return 0
    sleep 0.1
  done
  echo "  $1 holds:"; od -c "$1" | head -5
  return 1
}

check() {
  local name=$1
  shift
  if "$@"; then echo "PASS $name"; passed=$((passed + 1)); else echo "FAIL $name"; failed=$((failed + 1)); fi
}

type_and_save() {
  printf 'first line\r\nsecond\r\n' > "$work/f.txt"
  "$bin" "$work/f.txt" &
  local pid=$! wid
  wid=$(window_of "f.txt @") || { kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool key --clearmodifiers ctrl+End
  xdotool type --delay 20 "added"
  xdotool key Return
  xdotool key ctrl+s
  printf 'first line\r\nsecond\r\nadded\r\n' > "$work/expected"
  wait_for_bytes "$work/f.txt" "$work/expected" || { kill $pid; return 1; }
  xdotool key Escape
  wait $pid
}

no_display_is_explained() {
  local out
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin" 2>&1)
  local rc=$?
  [ $rc -ne 0 ] && grep -q "xvfb-run" <<<"$out"
}

check "type text and save with Ctrl+S" type_and_save
check "without a display the program says how to run it" no_display_is_explained

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
