#!/usr/bin/env bash
# Runtime archives made with the host's tar and gzip: a normal one with directories, long names, a
# symbolic link, an empty file and files of exactly 512 bytes; the same archive cut short and with
# damaged compressed data; one file that ends without closing records; and a folder whose file is a
# link to /dev/full, where every write fails.
set -euo pipefail
root="$1"
rm -rf "$root"
src="$root/src"
long_dir="lib/$(printf 'd%.0s' $(seq 1 120))"
long_file="$long_dir/$(printf 'n%.0s' $(seq 1 110)).txt"
mkdir -p "$src/bin" "$src/lib/ext" "$src/$long_dir" "$root/full"
head -c 512 /dev/zero | tr '\0' 'a' > "$src/bin/exact512.bin"
head -c 1024 /dev/zero | tr '\0' 'b' > "$src/lib/exact1024.bin"
: > "$src/lib/empty.txt"
seq 1 30000 > "$src/lib/numbers.txt"
echo "deep" > "$src/$long_file"
echo "linked" > "$src/lib/target.txt"
ln -s target.txt "$src/lib/link.txt"
tar -C "$src" -cf "$root/normal.tar" bin lib
gzip -c "$root/normal.tar" > "$root/normal.tar.gz"

# Cut inside the data of numbers.txt, and damaged in the middle of the compressed stream.
size=$(stat -c %s "$root/normal.tar.gz")
head -c $((size / 2)) "$root/normal.tar.gz" > "$root/truncated.tar.gz"
cp "$root/normal.tar.gz" "$root/damaged.tar.gz"
printf '\xff\x00\xff\x00\xff\x00\xff\x00' | dd of="$root/damaged.tar.gz" bs=1 seek=$((size / 2)) conv=notrunc status=none

# One 700-byte file, then the end of the data: no closing zero records.
mkdir -p "$root/one"
head -c 700 /dev/zero | tr '\0' 'c' > "$root/one/only.bin"
tar -C "$root/one" -cf "$root/one.tar" only.bin
head -c $((512 + 1024)) "$root/one.tar" | gzip -c > "$root/unclosed.tar.gz"

# A file whose writes all fail: its name in the folder "full" is a link to /dev/full.
mkdir -p "$root/small"
seq 1 4000 > "$root/small/small.txt"
tar -C "$root/small" -czf "$root/small.tar.gz" small.txt
ln -s /dev/full "$root/full/small.txt"
