#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the build tree's own prefix.
# Descriptors other than the standard three are closed first: a wineserver or Wine service started
# from here would otherwise keep a pipe of the caller (ctest) open, and the caller would wait for it.
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-" 2>/dev/null
done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
wine_prepare_prefix

# Wine writes its traces (and those of GUI programs the program starts) to the Unix standard error.
# It is kept in a file that the program can read through TVK_WINE_STDERR, and shown afterwards.
trace=$(mktemp "${TMPDIR:-/tmp}/wine-stderr.XXXXXX")
export TVK_WINE_STDERR="Z:${trace//\//\\}"
wine "$@" 2>"$trace"
status=$?
cat "$trace" >&2
rm -f "$trace"
exit $status
