#!/usr/bin/env bash
# Benchmark: extraction of 256 MB of included files, beside a plain native copy of the same bytes
# (dd bs=1M) measured in the same run. Each is run three times; the best run counts.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
source scripts/wine-env.sh
wine_prepare_prefix
bench=build/bench
rm -rf "$bench" && mkdir -p "$bench/out"
size_mb=256
head -c "${size_mb}M" /dev/urandom > "$bench/payload.bin"
cat > "$bench/bench.txt" <<DESC
defaults none
config 107 5
file payload.bin payload.bin
DESC
wine build/bin/mkmedia.exe build/bin/extract_probe.exe "$bench/bench.txt" "$bench/setup.exe" >/dev/null

best_extract=0
for run in 1 2 3; do
  rm -f "$bench/out/payload.bin"
  us=$(wine "$bench/setup.exe" quiet into "Z:$(pwd -P)/$bench/out" extract | sed -n 's/^microseconds \([0-9]*\).*/\1/p')
  cmp -s "$bench/payload.bin" "$bench/out/payload.bin" || { echo "extracted bytes differ" >&2; exit 1; }
  mbs=$(( size_mb * 1000000 / us ))
  [ "$mbs" -gt "$best_extract" ] && best_extract=$mbs
done

best_dd=0
for run in 1 2 3; do
  rm -f "$bench/out/copy.bin"
  start=$(date +%s%N)
  dd if="$bench/payload.bin" of="$bench/out/copy.bin" bs=1M status=none
  end=$(date +%s%N)
  mbs=$(( size_mb * 1000000000 / (end - start) ))
  [ "$mbs" -gt "$best_dd" ] && best_dd=$mbs
done

echo "extraction of ${size_mb} MB (launcher, under Wine): ${best_extract} MB/s"
echo "native copy of the same bytes (dd bs=1M):       ${best_dd} MB/s"
echo "ratio: $(( best_extract * 100 / best_dd ))% of the native copy"
rm -rf "$bench"
