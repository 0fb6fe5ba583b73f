#!/usr/bin/env bash
# The later candidates for the temporary base, the relaxed pass, and message 1015 when no folder is
# usable at all.
#
# Wine runs as root here, and root may write everywhere: the Windows directory and the root of drive C
# always take a subfolder. The immutable attribute of Linux (chattr +i) is refused even to root, so
# folders are locked one by one, each lock moving the choice to the next candidate. Locking the
# prefix's own folders would disturb every other test, so this test builds a throwaway prefix.
# Skipped (77) where the attribute cannot be set.
#
# usage: no_usable_base_test.sh FILES_PROBE MKMEDIA PREFIX_DIR   (PREFIX_DIR is removed and created anew)

# Descriptors of the caller other than the standard three are closed: a wineserver or Wine service
# started from here would otherwise keep a pipe of ctest open.
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-" 2>/dev/null
done

set -u
probe=$1
mkmedia=$2
export WINEPREFIX=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine-env.sh"

work="$WINEPREFIX.work"
drive="$WINEPREFIX/drive_c"
locked=()

cleanup() {
  for path in "${locked[@]}"; do chattr -i "$path" 2>/dev/null; done
  wineserver -k </dev/null >/dev/null 2>&1
  wineserver -w </dev/null >/dev/null 2>&1
  rm -rf "$WINEPREFIX" "$work"
}

fail() {
  echo "FAIL: $*"
  echo "--- last probe output:"
  cat "$work/out" "$work/err" 2>/dev/null | tail -20
  exit 1
}

lock() {
  chattr +i "$1" || fail "cannot lock $1"
  locked+=("$1")
}

unlock() {
  chattr -i "$1" || fail "cannot unlock $1"
}

wineserver -k </dev/null >/dev/null 2>&1
for path in "$WINEPREFIX" "$WINEPREFIX"/drive_c "$WINEPREFIX"/drive_c/*; do chattr -i "$path" 2>/dev/null; done
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work/try-lock"
if ! chattr +i "$work/try-lock" 2>/dev/null; then
  rm -rf "$work"
  echo "skipped: the immutable attribute cannot be set here (needs root and CAP_LINUX_IMMUTABLE on ext4 or the like)"
  exit 77
fi
chattr -i "$work/try-lock"
trap cleanup EXIT

wine wineboot -i </dev/null >"$work/wine.log" 2>&1 || fail "the prefix could not be created"
printf 'product Base Test\n' >"$work/probe.txt"
wine "$mkmedia" "$(winepath -w "$probe")" "$(winepath -w "$work/probe.txt")" 'C:\probe.exe' \
  </dev/null >>"$work/wine.log" 2>&1 ||
  fail "mkmedia could not write the probe"

# Every user folder lies in C:\locked, which takes no entries once locked.
user='Пользователь'
mkdir -p "$drive/locked" "$drive/temp" "$drive/tmp" "$drive/users/$user"
lock "$drive/locked"
lock "$drive/ProgramData"  # no "tarvelink" folder can be made there

# Runs the probe with the user folders pointing into C:\locked (the system's temporary path unless
# given), then the given steps; its output is in $work/out and $work/err.
run_probe() {
  local tmp=$1; shift
  wine 'C:\probe.exe' env TMP "$tmp" env TEMP "$tmp" env USERPROFILE 'C:\locked\profile' \
    env HOMEDRIVE 'C:' env HOMEPATH '\locked\home' "$@" </dev/null >"$work/out" 2>"$work/err"
}

# The base chosen in the strict pass, in both forms.
expect_base() {
  local expected=$1 what=$2
  run_probe 'C:\locked\tmp' basew relaxed base
  grep -qxF "base=$expected" "$work/out" || fail "$what: expected the 8-bit base $expected"
  grep -qxF "basew=$expected" "$work/out" || fail "$what: expected the UTF-16 base $expected"
  grep -qxF "relaxed=0" "$work/out" || fail "$what: not the strict pass"
}

expect_base 'C:\windows\temp' "user folders and common application data locked"
lock "$drive/windows/temp"
expect_base 'c:\temp' "Windows temporary folder locked"
lock "$drive/temp"
expect_base 'c:\tmp' "c:\\temp locked"
lock "$drive/tmp"
expect_base 'C:\windows' "c:\\tmp locked"
unlock "$drive/tmp"
rmdir "$drive/tmp" || fail "cannot remove c:\\tmp"
lock "$drive/windows"
expect_base 'c:\tmp' "Windows directory locked, c:\\tmp missing (created by the last candidate)"
[ -d "$drive/tmp" ] || fail "c:\\tmp was not created"
lock "$drive/tmp"

# Relaxed pass: a system temporary path given in its short form, whose long form the code page cannot
# hold, fails the strict check and passes the lenient one.
run_probe 'C:\locked\tmp' short "C:\\users\\$user"
short=$(sed -n 's/^short=//p' "$work/out")
[ -n "$short" ] || fail "no short form of C:\\users\\$user"
run_probe "$short" basew relaxed base
grep -qxF "base=$short\\" "$work/out" || fail "relaxed pass: expected the 8-bit base $short\\"
grep -qxF "basew=$short\\" "$work/out" || fail "relaxed pass: expected the UTF-16 base $short\\"
grep -qxF "relaxed=1" "$work/out" || fail "the base did not come from the relaxed pass"

# Nothing usable: the UTF-16 getter gives an empty text when not asked to fail, the 8-bit one ends
# the process with message 1015.
run_probe 'C:\locked\tmp' load quiet basew relaxed base
status=$?
[ "$status" -eq 1 ] || fail "no usable base: exit code $status, expected 1"
grep -qxF "basew=" "$work/out" || fail "no usable base: the UTF-16 getter did not give an empty text"
grep -qxF "relaxed=1" "$work/out" || fail "no usable base: the relaxed pass did not run"
grep -q "^base=" "$work/out" && fail "no usable base: the 8-bit getter returned"
grep -qF "You must be at least Poweruser to run this program." "$work/err" || fail "no usable base: message 1015 not shown"

echo "temporary base: Windows temp, c:\\temp, c:\\tmp, Windows directory, created c:\\tmp, relaxed pass, message 1015"
exit 0
