#!/usr/bin/env bash
# Time to main: a minimal setup file (one included jar, the stand-in runtime installed beside it and
# already in the version cache) started under Wine until the stand-in JVM has called the Java main
# class and the process has ended, beside a trivial hello-world .exe under the same Wine: the classic
# one that says hello in a message box (without a display it returns at once), so that it pays for
# the window system as every GUI program does; an .exe that only returns is shown too. Prints the
# median of several runs of each and the launcher's own steps from its log's time stamps.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/mediastub.exe ] && [ -f build/standin/x64/jvm.dll ] ||
  { cmake --preset default >/dev/null && cmake --build --preset default >/dev/null; }
source scripts/wine-env.sh
wine_prepare_prefix
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -p60 </dev/null >/dev/null 2>&1
work=$(mktemp -d /tmp/bench-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-11}

printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }\n' > "$work/empty.c"
printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {\n  MessageBoxW(0, L"Hello, world", L"Hello", MB_OK);\n  return 0;\n}\n' > "$work/hello.c"
for program in empty hello; do
  x86_64-w64-mingw32-gcc -O2 -static -s -mwindows "$work/$program.c" -o "$work/$program.exe"
done

bash tests/startup/make_runtime.sh "$work/fixture" build/bin build/standin >/dev/null
mkdir -p "$work/setup"
mv "$work/fixture/runtime" "$work/setup/runtime"
printf 'product Bench\ndefaults installer\nfile tvkruntime.jar %s\n' "$(winepath -w build/standin/tvkruntime.jar)" > "$work/setup.txt"
wine build/bin/mkmedia.exe build/bin/mediastub.exe "$work/setup.txt" "$work/setup/setup.exe" >/dev/null
# Wine takes a process's TMP and TEMP from the prefix, so the runs use the prefix's temporary folder.
temp_dirs=("$WINEPREFIX"/drive_c/users/*/Temp)

# Each run: milliseconds from start to the end of the process.
time_ms() {
  local start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  echo $(( ($(date +%s%N) - start) / 1000000 ))
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

run_setup() { wine "$work/setup/setup.exe" -q; }
run_setup >/dev/null 2>&1  # warms the version cache and the file cache
[ "$(run_setup >/dev/null 2>&1; echo $?)" = 0 ] ||
  { echo "the setup file did not run to its end"; exit 1; }
wine "$work/hello.exe" >/dev/null 2>&1

empty=() hello=() setup=()
for i in $(seq 1 "$runs"); do
  empty+=("$(time_ms wine "$work/empty.exe")")
  hello+=("$(time_ms wine "$work/hello.exe")")
  setup+=("$(time_ms run_setup)")
done
empty_ms=$(printf '%s\n' "${empty[@]}" | median)
hello_ms=$(printf '%s\n' "${hello[@]}" | median)
setup_ms=$(printf '%s\n' "${setup[@]}" | median)
echo "empty .exe:       ${empty_ms} ms (median of $runs)"
echo "hello-world .exe: ${hello_ms} ms (median of $runs)"
echo "setup to main:    ${setup_ms} ms (median of $runs)"
awk -v s="$setup_ms" -v h="$hello_ms" 'BEGIN { printf "ratio:            %.2f (goal 2 or less)\n", s / h }'

# One more run with its log kept: where the launcher's own time goes.
rm -f "${temp_dirs[@]/%//tvk_nlog_}"*.log
TARVELINK_LOG=yes wine "$work/setup/setup.exe" -q >/dev/null 2>&1 || true
log=$(ls "${temp_dirs[@]/%//tvk_nlog_}"*.log | head -1)
echo "launcher steps (from its log, ms since the log began):"
awk '
  match($0, /^\[[0-9]+:[0-9]+\] /) {
    split(substr($0, 2, RLENGTH - 3), stamp, ":"); t = stamp[1] * 1000 + stamp[2]
    line = substr($0, RLENGTH + 1); sub(/\r$/, "", line)
    if (line ~ /^Init done/) mark("start to \"Init done\" (block, options, preparation)", t)
    else if (line ~ /^checksums/) mark("integrity check", t)
    else if (line ~ /^extracting files done/) mark("temporary directory and extraction", t)
    else if (line ~ /^Loading of JVM-DLL successful/) mark("runtime search and JVM library load", t)
    else if (line ~ /^Creating JVM/) mark("VM options", t)
    else if (line ~ /^calling main/) mark("JVM creation and binding", t)
    else if (line ~ /^launch done/) mark("main and JVM destruction", t)
  }
  function mark(what, t) { printf "  %-55s %5d ms\n", what, t - last; last = t }
' "$log"
