#!/bin/sh
# The Windows sandbox where a display exists, under Wine in Xvfb (run it inside
# xvfb-run): the headless demo's picture judged by its structure, then a run in
# the real window driven by the X server's own mouse and keyboard.
#   windows_display.sh SANDBOX.exe PICTURE_CHECK FOLDER
sandbox=$1 check=$2
cd "$3" || exit 1
# A wineserver of its own: one started without a display never finds this one.
export WINEPREFIX="$PWD/wineprefix-display"
fail() { echo "windows_display: $*"; cat run.txt; wineserver -k; exit 1; }

# run OUTPUT ARGS...: the sandbox, once more if Wine ended it without a word.
run() {
  out=$1; shift
  wine "$sandbox" "$@" > "$out" 2>&1; code=$?
  if [ $code -ne 0 ] && [ ! -s "$out" ]; then
    echo "windows_display: Wine ended silently ($code): retrying once"
    wine "$sandbox" "$@" > "$out" 2>&1; code=$?
  fi
  # Wine's console writes CRLF.
  tr -d '\r' < "$out" > run.txt && cp run.txt "$out"
  return $code
}

rm -f demo.png
wineboot -i > /dev/null 2>&1
run demo.txt --headless --screenshot demo.png || fail "the demo failed"
grep -q "demo picture: .*demo.png (1280x720, frame 13, drawn for the picture)" demo.txt || fail "the demo took no picture"
python3 "$check" demo.png 12 > structure.txt || fail "$(cat structure.txt)"
head -n 1 structure.txt
load=$(tail -n 1 structure.txt)

# The person: clicks the newest row's Load, F8 shows the window again, Alt+F4 closes the sandbox.
person() {
  # Looked for once the run is ready: on a loaded machine Wine may still replace
  # the window it first made, and the old one is gone before the click.
  for i in $(seq 300); do grep -qs "the run is yours" click.txt && break; sleep 0.1; done
  window=$(timeout 60 xdotool search --sync --name "^Tapeloom sandbox$" | head -n 1)
  # Wine tells the window the pointer has come a moment after it moved.
  xdotool mousemove --window "$window" $load; sleep 0.5; xdotool click 1
  for i in $(seq 300); do grep -qs "window hidden" click.txt && break; sleep 0.1; done
  xdotool key --window "$window" F8
  for i in $(seq 300); do grep -qs "key F8" click.txt && break; sleep 0.1; done
  xdotool key --window "$window" alt+F4
  # A window that does not close would hold the test to its time limit.
  for i in $(seq 200); do grep -qs "end: " click.txt && return; sleep 0.1; done
  wineserver -k
}
printf 'command togglemenu Tapeloom\n' > open.txt
person &
run click.txt --script open.txt --interactive || fail "the windowed run failed"
wait
for line in "Click registered for: Overtime_Winner.replay" "[sandbox] now playing Overtime_Winner.replay" \
            "[sandbox] key F8" "[sandbox] end: done (exit 0)"; do
  grep -qxF "$line" click.txt || fail "the windowed run lacks: $line"
done
test "$(grep -c "Tapeloom window shown" click.txt)" = 2 || fail "F8 did not show the window again"
wineserver -k
