#!/usr/bin/env bash
# The end-to-end cases; run through run-all, which provides the display.
set -uo pipefail
bin=$1
work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"
# A window manager, as on a desktop: without one, focus and shortcuts behave unlike a session.
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; rm -rf "$work"' EXIT
sleep 0.5
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

# Another program appends to the open file while it is being edited: Ctrl+S asks before saving
# over it; Cancel keeps the other program's content, Yes saves the typed text over it.
save_asks_before_overwriting_a_changed_file() {
  printf 'original\n' > "$work/shared.txt"
  "$bin" "$work/shared.txt" &
  local pid=$! wid box
  wid=$(window_of "shared.txt @") || { kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool type --delay 20 "typed "
  printf 'appended by another program\n' >> "$work/shared.txt"
  sleep 0.5
  xdotool key ctrl+s
  box=$(window_of "^Zorvek$") || { echo "  no question asked"; kill $pid; return 1; }
  xdotool windowfocus --sync "$box"
  xdotool key Escape
  sleep 0.5
  printf 'original\nappended by another program\n' > "$work/expected"
  cmp -s "$work/shared.txt" "$work/expected" || { echo "  saved over it after Cancel"; kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool key ctrl+s
  box=$(window_of "^Zorvek$") || { echo "  not asked the second time"; kill $pid; return 1; }
  xdotool windowfocus --sync "$box"
  xdotool key Return
  printf 'typed original\n' > "$work/expected"
  wait_for_bytes "$work/shared.txt" "$work/expected" || { kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
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
  local left
  left=$(xdotool getwindowgeometry "$wid" | grep -o 'Position: [0-9,]* .*Geometry: [0-9x]*' | tr -s ' ')
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
  grep -A8 -F '[Editor/Viewer Settings-Bar1]' "$conf" | grep '^Visible=0' >/dev/null || { echo "  status bar not stored hidden"; return 1; }
  grep -A8 -F '[Editor/Viewer Settings-Bar0]' "$conf" | grep '^Docking=4' >/dev/null || { echo "  toolbar not stored at the top"; return 1; }
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
  grep -qF "$left" <<<"$geometry" || { echo "  left as $left, came back as: $geometry"; return 1; }
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

# Peak memory in kB of a run with these parameters, ended with Escape once the window of FILE
# (the last parameter) shows; its size goes to $work/geometry.
peak_of_a_start() {
  local file=${!#}
  "$bin" "$@" >/dev/null &
  local pid=$! wid peak
  wid=$(window_of "$(basename "$file") @") || { kill $pid; return 1; }
  sleep 0.5
  peak=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB/\1/p' /proc/$pid/status)
  xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p' >"$work/geometry"
  xdotool windowfocus --sync "$wid"
  xdotool key Escape
  wait $pid
  echo "$peak"
}

huge_rectangle_fits_the_screen() {
  printf 'text\n' > "$work/h.txt"
  local conf="$XDG_CONFIG_HOME/Vantreth Plc/Zorvekhuge.conf" normal huge size
  normal=$(peak_of_a_start "$work/h.txt") || return 1
  mkdir -p "$(dirname "$conf")"
  printf '[Editor/Viewer Settings]\nszWindowRect=0,0,2147483647,2147483647\n' > "$conf"
  huge=$(peak_of_a_start S:huge "$work/h.txt") || return 1
  size=$(cat "$work/geometry")
  echo "  peak memory: normal start ${normal} kB, huge rectangle ${huge} kB; window $size"
  local w=${size%x*} h=${size#*x}
  [ "$w" -le 1280 ] && [ "$h" -le 900 ] || { echo "  window larger than the screen"; return 1; }
  [ "$huge" -lt $((normal * 2)) ] || { echo "  memory grew"; return 1; }
  # What was written back is sound too.
  local rect l t r b
  rect=$(sed -n 's/^szWindowRect=//p' "$conf")
  IFS=, read -r l t r b <<<"$rect"
  [ "$r" -le 1280 ] && [ "$b" -le 900 ] && [ "$l" -ge 0 ] && [ "$t" -ge 0 ] ||
    { echo "  stored back as $rect"; return 1; }
}

fifo_settings_file_is_passed_over() {
  local conf="$XDG_CONFIG_HOME/Vantreth Plc/Zorvekfifo.conf"
  mkdir -p "$(dirname "$conf")"
  mkfifo "$conf"
  sleep 1000 >"$conf" & # a writer that never writes
  local writer=$! err
  printf 'text\n' > "$work/q.txt"
  "$bin" S:fifo "$work/q.txt" 2>"$work/err" &
  local pid=$! wid
  wid=$(window_of "q.txt @") || { kill $pid $writer; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool key Escape
  wait $pid
  kill $writer
  [ -p "$conf" ] || { echo "  the FIFO was replaced"; return 1; }
  [ "$(grep -c '^zorvek: .*Zorvekfifo.conf is not used' "$work/err")" -eq 1 ] ||
    { cat "$work/err"; return 1; }
}

unreachable_display_is_one_line() {
  local err rc
  err=$(DISPLAY=:987 "$bin" 2>&1 >/dev/null)
  rc=$?
  [ $rc -eq 1 ] && [ "$(wc -l <<<"$err")" -eq 1 ] && grep -q ":987" <<<"$err" ||
    { echo "  exit $rc: $err"; return 1; }
}

# Processor time of a process so far, in clock ticks.
ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Waits up to five seconds for process PID to end; kills it and fails when it does not.
ends_soon() {
  local i
  for i in $(seq 1 50); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; return 0; }
    sleep 0.1
  done
  kill "$1"
  wait "$1"
  return 1
}

# Starts the program on FILE with fresh settings and switches Read only on: sets pid and wid.
start_read_only() {
  rm -rf "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"
  "$bin" "$1" 2>/dev/null &
  pid=$!
  wid=$(window_of "$(basename "$1") @") || { kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  sleep 0.3
  xdotool key alt+v
  sleep 0.3
  xdotool key r
  sleep 0.3
}

# Escape pressed while the hexadecimal dump is being made interrupts it and never ends the
# program. It is pressed up to three quarters of the time until the processor rests, which goes
# on a little after the dump (the pages of the big texts are made ready by a thread of their own).
# The file, 67 MB, is dumped whole: a bigger one's dump shows at once, a window at a time.
escape_during_the_dump_never_exits() {
  local f="$work/dump.txt" i pid wid start took
  seq 1 1200000 | sed 's/$/ a line of a log file to make a dump of some size/' > "$f"
  # How long the dump takes here: from F4 until the processor rests.
  start_read_only "$f" || return 1
  start=$(date +%s%N)
  xdotool key F4
  local last=-1 now still=0
  while [ $still -lt 3 ]; do
    sleep 0.02
    now=$(ticks_of $pid)
    if [ "$now" = "$last" ]; then still=$((still + 1)); else still=0; last=$now; fi
  done
  took=$((($(date +%s%N) - start) / 1000000 - 60))
  xdotool key Escape
  ends_soon $pid || { echo "  Escape after the dump did not end the program"; return 1; }
  echo "  the dump takes about $took ms"
  for i in 40 60 75; do
    start_read_only "$f" || return 1
    xdotool key F4 sleep "$(awk "BEGIN{print $took * $i / 100000}")" key Escape
    sleep 1
    kill -0 $pid 2>/dev/null || { echo "  Escape at $i % of the dump ended the program"; return 1; }
    xdotool windowfocus --sync "$wid"
    xdotool key Escape
    ends_soon $pid || { echo "  Escape after an interrupted dump did not end the program"; return 1; }
  done
}

# Another program changes a file whose folder path is long: the message is cut, the window and
# its stored size stay as they were.
long_message_keeps_the_window_size() {
  local dir="$work" i
  for i in $(seq 1 8); do dir="$dir/a-folder-with-a-rather-long-name-$i"; done
  mkdir -p "$dir"
  printf 'text\n' > "$dir/n.txt"
  rm -rf "$XDG_CONFIG_HOME"
  "$bin" "$dir/n.txt" &
  local pid=$! wid size
  wid=$(window_of "n.txt @") || { kill $pid; return 1; }
  xdotool windowsize --sync "$wid" 800 600
  sleep 0.3
  printf 'changed by another program\n' >> "$dir/n.txt"
  sleep 1.5
  size=$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p')
  xdotool windowfocus --sync "$wid"
  xdotool key Escape
  wait $pid
  [ "$size" = "800x600" ] || { echo "  the window became $size"; return 1; }
  local rect l t r b
  rect=$(sed -n 's/^szWindowRect=//p' "$XDG_CONFIG_HOME/Vantreth Plc/Zorvek.conf")
  IFS=, read -r l t r b <<<"$rect"
  [ $((r - l)) -le 810 ] || { echo "  stored as $rect"; return 1; }
}

# The first dark row of a screenshot, in the rectangle WIDTHxHEIGHT+X+Y.
first_dark_row() {
  local height=${2#*x}
  convert "$1" -crop "$2" -colorspace Gray -scale "1x${height%%+*}!" txt:- |
    awk -F'[,:() ]+' 'NR > 1 && $4 < 180 { print $2; exit }'
}

# F2 keeps the caret's line where it was on the screen, both ways.
word_wrap_keeps_the_place() {
  local f="$work/wrap.txt" line
  for line in $(seq 1 300); do
    if [ "$line" = 60 ]; then
      printf 'MMMMMMMM%.0s ' $(seq 1 60)
    else
      printf '. , . %.0s' $(seq 1 60)
    fi
    printf '\n'
  done > "$f"
  rm -rf "$XDG_CONFIG_HOME"
  "$bin" "$f" &
  local pid=$! wid x y rows=()
  wid=$(window_of "wrap.txt @") || { kill $pid; return 1; }
  xdotool windowsize --sync "$wid" 800 700
  read -r x y < <(xdotool getwindowgeometry "$wid" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
  xdotool windowfocus --sync "$wid"
  sleep 0.3
  xdotool key ctrl+g
  sleep 0.3
  xdotool type 60
  xdotool key Return
  sleep 0.3
  # The line comes at the bottom; the wheel brings it up a few rows, the caret stays on it.
  xdotool mousemove $((x + 400)) $((y + 300)) click 5 click 5
  sleep 0.5
  for i in 0 1 2; do
    [ $i -gt 0 ] && { xdotool key F2; sleep 0.5; }
    import -window root "$work/wrap$i.png" 2>/dev/null
    rows+=("$(first_dark_row "$work/wrap$i.png" "620x600+$((x + 80))+$((y + 45))")")
  done
  xdotool key Escape
  wait $pid
  echo "  the line starts at rows: ${rows[*]}"
  [ -n "${rows[0]}" ] && [ "${rows[0]}" = "${rows[1]}" ] && [ "${rows[1]}" = "${rows[2]}" ]
}

# After --, every parameter is a file, also one that looks like an option of Qt's own.
qt_options_after_the_dashes_are_files() {
  mkdir -p "$work/dash"
  printf 'reversed?\n' > "$work/dash/-reverse"
  (cd "$work/dash" && exec "$bin" -- -reverse) &
  local pid=$! wid
  wid=$(window_of "^-reverse @") || { echo "  no window for the file -reverse"; kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool key Escape
  wait $pid
}

# Ctrl+S on a FIFO opened as a document refuses with a message and offers Save As; nothing goes
# into the pipe and the window keeps answering.
fifo_is_never_saved_into() {
  mkfifo "$work/pipe"
  (printf 'piped\n' >"$work/pipe") &
  "$bin" "$work/pipe" &
  local pid=$! wid box dialog
  wid=$(window_of "pipe @") || { kill $pid; return 1; }
  xdotool windowfocus --sync "$wid"
  xdotool key --clearmodifiers ctrl+End
  xdotool type --delay 20 "typed"
  xdotool key ctrl+s
  box=$(window_of "^Zorvek$") || { echo "  no message"; kill $pid; return 1; }
  xdotool windowfocus --sync "$box"
  xdotool key Return
  dialog=$(window_of "^Save As$") || { echo "  Save As not offered"; kill $pid; return 1; }
  xdotool windowfocus --sync "$dialog"
  xdotool key Escape
  sleep 0.3
  local got
  got=$(dd if="$work/pipe" iflag=nonblock bs=64k count=1 2>/dev/null | wc -c)
  kill $pid
  wait $pid 2>/dev/null
  rm -rf "$XDG_STATE_HOME" # the typed text's journal, kept by the kill
  [ "$got" -eq 0 ] || { echo "  $got bytes went into the pipe"; return 1; }
}

# Another program empties the open file: the text reloads empty, Ctrl+Z brings it back and
# Ctrl+S puts it into the file again.
an_emptied_file_comes_back_with_undo() {
  printf 'precious text\n' > "$work/e.txt"
  "$bin" "$work/e.txt" &
  local pid=$! wid box
  wid=$(window_of "e.txt @") || { kill $pid; return 1; }
  : > "$work/e.txt"
  sleep 1
  xdotool windowfocus --sync "$wid"
  xdotool key ctrl+z
  sleep 0.3
  xdotool key ctrl+s
  printf 'precious text\n' > "$work/expected-e"
  wait_for_bytes "$work/e.txt" "$work/expected-e" || { kill $pid; return 1; }
  xdotool key Escape
  wait $pid
}

# Printing to an existing PDF where the disk fills up (a file size limit stands in for it) fails
# with a non-zero exit and leaves the old file as it was, with no leftovers beside it.
print_to_a_full_disk_keeps_the_old_pdf() {
  mkdir -p "$work/full"
  seq 1 3000 | sed 's/^/a line to print /' > "$work/full/p.txt"
  printf 'the old PDF' > "$work/full/out.pdf"
  local pid rc box
  (trap '' XFSZ; ulimit -f 8; exec "$bin" /pt "$work/full/p.txt" "$work/full/out.pdf" "" "") \
    >/dev/null 2>&1 &
  pid=$!
  box=$(window_of "^Zorvek$") || { echo "  nothing said"; kill $pid; return 1; }
  xdotool windowfocus --sync "$box"
  xdotool key Return
  wait $pid
  rc=$?
  [ $rc -eq 1 ] || { echo "  exit $rc"; return 1; }
  [ "$(cat "$work/full/out.pdf")" = "the old PDF" ] || { echo "  the old PDF was changed"; return 1; }
  [ "$(ls "$work/full" | wc -l)" -eq 2 ] || { ls -la "$work/full"; return 1; }
}

check "type text and save with Ctrl+S" type_and_save
check "Ctrl+S asks before saving over a file another program changed" save_asks_before_overwriting_a_changed_file
check "a UTF-16LE file is typed in and saved as UTF-16LE" utf16_typed_and_saved
check "a file name that is no UTF-8 opens from the command line and saves" non_utf8_name_from_the_command_line
check "window, toolbar and status bar come back as left" layout_comes_back
check "/pt prints a file to a PDF and ends" print_to_pdf_from_the_command_line
check "/pt onto a full disk fails and keeps the old PDF" print_to_a_full_disk_keeps_the_old_pdf
check "--version, --help and an unknown option" gnu_options
check "without a display the program says how to run it" no_display_is_explained
check "a huge stored rectangle opens a window that fits" huge_rectangle_fits_the_screen
check "a settings file that is a FIFO is passed over" fifo_settings_file_is_passed_over
check "an unreachable display is said in one line" unreachable_display_is_one_line
check "Escape during the hexadecimal dump interrupts it and never exits" escape_during_the_dump_never_exits
check "a long message leaves the window's size alone" long_message_keeps_the_window_size
check "F2 keeps the caret's line where it was on the screen" word_wrap_keeps_the_place
check "Qt's own options after -- are file names" qt_options_after_the_dashes_are_files
check "Ctrl+S never saves into a FIFO" fifo_is_never_saved_into
check "a file another program empties comes back with Ctrl+Z" an_emptied_file_comes_back_with_undo

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
