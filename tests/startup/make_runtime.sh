#!/usr/bin/env bash
# The stand-in runtime as setup files carry it, made with the host's tar and gzip: "runtime" (the
# folder), "jre.tar.gz" (with long names, directory entries, a symbolic link and files of exactly 512
# bytes), "packed.tar.gz" (the same with a jar of its own packed) and "damaged.tar.gz"; "app.jar.pack"
# and "app.jar", an included packed jar and what it unpacks to; "full", see below.
# Usage: make_runtime.sh OUTPUT BIN_DIR STANDIN_DIR
set -euo pipefail
out="$1" bin="$2" standin="$3"
rm -rf "$out"
rt="$out/runtime"
long_dir="lib/$(printf 'd%.0s' $(seq 1 120))"
mkdir -p "$rt/bin/server" "$rt/lib/ext" "$rt/$long_dir"
cp "$bin/standin_java.exe" "$rt/bin/java.exe"
cp "$bin/standin_unpack200.exe" "$rt/bin/unpack200.exe"
cp "$standin/x64/jvm.dll" "$rt/bin/server/jvm.dll"
printf 'stderr=openjdk version "21.0.2" 2024-01-16\n' > "$rt/bin/standin.txt"
head -c 512 /dev/zero | tr '\0' 'a' > "$rt/lib/exact512.bin"
echo "deep" > "$rt/$long_dir/$(printf 'n%.0s' $(seq 1 110)).txt"
seq 1 20000 > "$rt/lib/tools.jar"
ln -s tools.jar "$rt/lib/link.jar"
tar -C "$rt" -czf "$out/jre.tar.gz" bin lib

# A packed runtime: its lib\tools.jar travels as lib\tools.jar.pack (the stand-in's packs are gzip streams).
cp -r "$rt" "$out/packed"
gzip -c "$rt/lib/tools.jar" > "$out/packed/lib/tools.jar.pack"
rm "$out/packed/lib/tools.jar" "$out/packed/lib/link.jar"
tar -C "$out/packed" -czf "$out/packed.tar.gz" bin lib
rm -rf "$out/packed"

size=$(stat -c %s "$out/jre.tar.gz")
cp "$out/jre.tar.gz" "$out/damaged.tar.gz"
printf '\xff\x00\xff\x00\xff\x00\xff\x00' | dd of="$out/damaged.tar.gz" bs=1 seek=$((size / 2)) conv=notrunc status=none

printf 'application classes\n' > "$out/app.jar"
gzip -c "$out/app.jar" > "$out/app.jar.pack"

# Beside "full/setup.exe", its extract-and-exit folder holds the first included file's name as a link
# to /dev/full, where every write fails.
mkdir -p "$out/full/setup.exe.test"
ln -s /dev/full "$out/full/setup.exe.test/tvkruntime.jar"
