# Environment shared by every Wine run of the build: its own prefix, an English UTF-8 locale
# (ANSI code page 1252) and quiet Wine diagnostics. Source it; WINE_BUILD_DIR may name the build tree.
: "${WINE_BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
: "${WINEPREFIX:=$WINE_BUILD_DIR/wineprefix}"
export WINEPREFIX
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL=en_US.UTF-8
unset DISPLAY

# Creates the prefix once (serialized by a lock) and makes sure a wineserver and Wine's services run.
# Both are started detached from the caller's pipes and lock file, so a waiting caller (ctest) is
# never held up by them.
wine_prepare_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.prepared" ]; then
      wine wineboot -i 9>&- </dev/null >/dev/null 2>&1 && touch "$WINEPREFIX/.prepared"
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
  wineserver -p60 </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
}
