#!/usr/bin/env bash
# Reboot mode of the installer launcher: "__tvk_reboot" as the whole argument text makes it ask
# Windows for a restart; with anything appended it is an ordinary start.
#
# Under Wine a restart is wineboot's work, in the prefix of the caller: the windowed programs of the
# session are asked to end, then the restart sequence runs (RunOnce entries, pending renames) while
# the wineserver goes on. Programs without a window are left running (no forced end is asked for),
# so a windowed program (notepad, on a virtual display) stands for the session, and a RunOnce entry
# that leaves a file behind shows that a restart, not a mere shutdown, took place.
# All of this hits every program of the prefix: the test builds a throwaway prefix of its own.
#
# usage: reboot_test.sh LAUNCHER PREFIX_DIR   (PREFIX_DIR is removed and created anew)

# Descriptors of the caller other than the standard three are closed: a wineserver, Wine service or
# display server started from here would otherwise keep a pipe of ctest open.
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-" 2>/dev/null
done

# Two runs on the same prefix (two ctest runs in one build tree) would end each other's session.
if [ -z "${TVK_REBOOT_TEST_LOCKED:-}" ]; then
  mkdir -p "$(dirname "$2")"
  TVK_REBOOT_TEST_LOCKED=1 exec flock -o "$2.lock" bash "${BASH_SOURCE[0]}" "$@"
fi

set -u
launcher=$1
export WINEPREFIX=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine-env.sh"

if ! command -v Xvfb >/dev/null; then
  echo "skipped: Xvfb is needed for a windowed program in the session (scripts/setup.sh installs it)"
  exit 77
fi

work="$WINEPREFIX.work"  # logs of this run, and the display number
runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'
marker="$WINEPREFIX/drive_c/restarted.txt"
xvfb_pid=""

end_session() {
  wineserver -k </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
}

cleanup() {
  end_session
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$WINEPREFIX" "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- Wine output:"
  tail -n 40 "$work/wine.log" 2>/dev/null
  exit 1
}

# Waits until a check succeeds, at most $1 seconds (a bound for a stuck Wine, not a measurement).
wait_for() {
  local limit=$1
  shift
  for ((i = 0; i < limit * 4; i++)); do
    "$@" && return 0
    sleep 0.25
  done
  "$@"
}

wine_quiet() { wine "$@" </dev/null >>"$work/wine.log" 2>&1; }
running() { kill -0 "$1" 2>/dev/null; }
gone() { ! running "$1"; }
notepad_window_shown() { xwininfo -root -tree 2>/dev/null | grep -q 'Notepad'; }
marker_written() { [ -f "$marker" ]; }
runonce_entry_present() { wine reg query "$runonce" /v tvk_reboot_marker </dev/null >/dev/null 2>&1; }
add_runonce_entry() {
  wine_quiet reg add "$runonce" /v tvk_reboot_marker /d 'cmd /c echo restarted> C:\restarted.txt' /f ||
    fail "cannot write the RunOnce entry"
}

end_session
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work"
wine_quiet wineboot -i || fail "the prefix could not be created"
# The plain launcher without a block: reboot mode comes before the block is read, and an ordinary
# start of it ends with exit code 1 after an error message box.
cp "$launcher" "$WINEPREFIX/drive_c/setup.exe" || fail "cannot copy $launcher"

# 1. Anything appended: not reboot mode. This runs without a display, where the error message box
#    returns at once. A program without a window keeps the session (and its RunOnce entry) alive;
#    a new session would run RunOnce entries at its start.
wine cmd /c "ping -n 600 127.0.0.1 >nul" </dev/null >>"$work/wine.log" 2>&1 &
holder_pid=$!
wait_for 60 running "$holder_pid" || fail "the session could not be started"
add_runonce_entry
wine_quiet 'C:\setup.exe' __tvk_reboot x
status=$?
[ "$status" -eq 1 ] || fail "'__tvk_reboot x' ended with $status, expected 1 (an ordinary start that finds no block)"
marker_written && fail "'__tvk_reboot x' ran the restart sequence"
runonce_entry_present || fail "'__tvk_reboot x' consumed the RunOnce entry"
wine_quiet reg delete "$runonce" /v tvk_reboot_marker /f
end_session

# 2. Reboot mode, in a new session on a virtual display of its own, with a windowed program in it.
Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp 5>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 20 grep -q '[0-9]' "$work/display" || fail "the virtual display did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

wine notepad </dev/null >>"$work/wine.log" 2>&1 &
notepad_pid=$!
if command -v xwininfo >/dev/null; then
  wait_for 60 notepad_window_shown || fail "notepad did not show its window"
else
  # Without xwininfo the window is not seen; reboot mode's own 5 s wait gives notepad its time.
  wait_for 60 running "$notepad_pid" || fail "notepad did not start"
fi
add_runonce_entry
wine_quiet 'C:\setup.exe' __tvk_reboot
status=$?
[ "$status" -eq 0 ] || fail "'__tvk_reboot' ended with $status, expected 0"
wait_for 90 gone "$notepad_pid" || fail "the session's windowed program was not ended"
wait_for 90 marker_written || fail "the restart sequence did not run (RunOnce entry left alone)"
runonce_entry_present && fail "the RunOnce entry was not consumed by the restart"

echo "reboot mode: exit code 0, the session's windows ended, the restart sequence ran;" \
  "'__tvk_reboot x': exit code 1, no restart"
exit 0
