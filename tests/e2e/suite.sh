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

utf16_typed_and_saved() {
  printf '\xff\xfeh\0i\0\r\0\n\0' > "$work/u16.txt"
  "$bin" "$work/u16.txt" &
  local pid=$! wid
  wid=$(window_of "u16.txt @") || { kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool key --clearmodifiers ctrl+End
  LC_ALL=C.UTF-8 xdotool type --delay 50 $'X\xc3\xa9'  # X and e acute
  xdotool key ctrl+s
  printf '\xff\xfeh\0i\0\r\0\n\0X\0\xe9\0' > "$work/expected16"
  wait_for_bytes "$work/u16.txt" "$work/expected16" || { kill $pid; return 1; }
  xdotool key Escape
  wait $pid
}

non_utf8_name_from_the_command_line() {
  local name="$work/caf"$'\xe9'".txt"
  printf 'old\n' > "$name"
  "$bin" "$name" &
  local pid=$! wid
  wid=$(window_of "^caf.*txt @") || { kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool key --clearmodifiers ctrl+Home
  xdotool type --delay 20 "new "
  xdotool key ctrl+s
  printf 'new old\n' > "$work/expected-name"
  wait_for_bytes "$name" "$work/expected-name" || { kill $pid; return 1; }
  xdotool key Escape
  wait $pid
}

layout_comes_back() {
  printf 'text\n' > "$work/g.txt"
  "$bin" "$work/g.txt" &
  local pid=$! wid
  wid=$(window_of "g.txt @") || { kill $pid; return 1; }
  xdotool windowmove "$wid" 100 80 windowsize "$wid" 700 500
  sleep 0.5
  # Drag the toolbar by its handle from the left edge to the top edge.
  xdotool mousemove 115 106 mousedown 1 mousemove 130 110 sleep 0.2 mousemove 300 105 \
    sleep 0.2 mousemove 400 104 sleep 0.3 mouseup 1
  sleep 0.3
  xdotool windowfocus --sync "$wid"
  xdotool key alt+v
  sleep 0.3
  xdotool key s
  sleep 0.3
  xdotool key Escape
  wait $pid || return 1
  local conf="$XDG_CONFIG_HOME/Vantreth Plc/Zorvek.conf"
  grep -A3 -F '[Editor/Viewer Settings-Bar1]' "$conf" | grep '^Visible=0' >/dev/null || { echo "  status bar not stored hidden"; return 1; }
  grep -A3 -F '[Editor/Viewer Settings-Bar0]' "$conf" | grep '^Docking=4' >/dev/null || { echo "  toolbar not stored at the top"; return 1; }
  "$bin" "$work/g.txt" &
  pid=$!
  wid=$(window_of "g.txt @") || { kill $pid; return 1; }
  sleep 0.5
  local geometry
  geometry=$(xdotool getwindowgeometry "$wid" | tr -s ' ' | tr '\n' ' ')
  import -window root "$work/layout.png" 2>/dev/null
  # Toolbar buttons now stand in a row below the menu bar, where the text would otherwise begin.
  local darkest
  darkest=$(convert "$work/layout.png" -crop 340x12+200+108 -colorspace Gray \
    -format '%[fx:int(255*minima)]' info:)
  xdotool windowfocus --sync "$wid"
  xdotool key Escape
  wait $pid
  grep -q "Position: 100,80 .*Geometry: 700x500" <<<"$geometry" || { echo "  came back as: $geometry"; return 1; }
  [ "$darkest" -lt 120 ] || { echo "  no toolbar buttons at the top (darkest $darkest)"; return 1; }
}

print_to_pdf_from_the_command_line() {
  seq 1 200 | sed 's/^/printed line /' > "$work/p.txt"
  timeout 60 "$bin" /pt "$work/p.txt" "$work/out.pdf" "" "" || return 1
  # The paper size comes from the machine's printing set-up (A4 or Letter), so the page count
  # is only checked to be at least the three that the larger paper needs; every line must be
  # there, in order.
  local pages
  pages=$(pdfinfo "$work/out.pdf" | sed -n 's/^Pages: *//p')
  [ "${pages:-0}" -ge 3 ] || { pdfinfo "$work/out.pdf"; return 1; }
  pdftotext "$work/out.pdf" - | grep -o "printed line [0-9]*" | cmp -s - "$work/p.txt" ||
    { echo "  the printed text differs from the file"; return 1; }
}

gnu_options() {
  [ "$("$bin" --version | head -n 1)" = "zorvek 1.0.0" ] || return 1
  "$bin" --help | grep "^Usage: zorvek" >/dev/null || return 1
  local err rc
  err=$("$bin" --bogus 2>&1 >/dev/null)
  rc=$?
  [ $rc -eq 2 ] && grep -q "unrecognized option '--bogus'" <<<"$err"
}

no_display_is_explained() {
  local out
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin" 2>&1)
  local rc=$?
  [ $rc -ne 0 ] && grep -q "xvfb-run" <<<"$out"
}

check "type text and save with Ctrl+S" type_and_save
check "a UTF-16LE file is typed in and saved as UTF-16LE" utf16_typed_and_saved
check "a file name that is no UTF-8 opens from the command line and saves" non_utf8_name_from_the_command_line
check "window, toolbar and status bar come back as left" layout_comes_back
check "/pt prints a file to a PDF and ends" print_to_pdf_from_the_command_line
check "--version, --help and an unknown option" gnu_options
check "without a display the program says how to run it" no_display_is_explained

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
