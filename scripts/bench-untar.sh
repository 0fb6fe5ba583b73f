#!/usr/bin/env bash
# Runtime unpacking: a tar.gz of about 110 MB in 3000 files unpacked by the launcher's reader (through
# unpack_probe.exe under Wine) beside the host's `tar xzf` of the same archive. Prints both times.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/unpack_probe.exe ] || { cmake --preset default >/dev/null && cmake --build --preset default >/dev/null; }
work=$(mktemp -d /tmp/bench-untar.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/lib"
for d in $(seq 1 30); do
  mkdir -p "$work/src/lib/d$d"
  for f in $(seq 1 100); do
    # half compressible text, half random bytes: about 44 KB a file
    { seq $((d * f)) $((d * f + 2500)); head -c 24000 /dev/urandom; } > "$work/src/lib/d$d/f$f.bin"
  done
done
tar -C "$work/src" -czf "$work/jre.tar.gz" lib
unpacked=$(du -sb "$work/src" | cut -f1)
echo "archive: $(stat -c %s "$work/jre.tar.gz") bytes, unpacked $unpacked bytes in 3000 files"

mkdir -p "$work/host" "$work/launcher"
sync
start=$(date +%s%N)
tar -C "$work/host" -xzf "$work/jre.tar.gz"
host_ms=$(( ($(date +%s%N) - start) / 1000000 ))

out=$(scripts/wine-run.sh build/bin/unpack_probe.exe untar "$work/jre.tar.gz" "$work/launcher" "$unpacked")
launcher_ms=$(sed -n 's/^untar 1 ms \([0-9]*\).*/\1/p' <<<"$out")
[ -n "$launcher_ms" ] || { echo "unpacking failed: $out"; exit 1; }
diff -r "$work/host" "$work/launcher" >/dev/null || { echo "unpacked trees differ"; exit 1; }
echo "tar xzf:   ${host_ms} ms"
echo "launcher:  ${launcher_ms} ms (untarRuntime, log on)"
awk -v l="$launcher_ms" -v h="$host_ms" 'BEGIN { printf "ratio:     %.2f (goal 1.25 or less)\n", l / h }'
