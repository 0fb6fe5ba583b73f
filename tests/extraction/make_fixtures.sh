#!/usr/bin/env bash
# Host-side fixtures the extraction tests cannot make from inside Wine: a file that lives on a full
# device, and a directory link inside a temporary directory that points outside of it.
set -euo pipefail
root="$1"
rm -rf "$root"
mkdir -p "$root/full" "$root/linked/temp/sub" "$root/linked/outside"
ln -s /dev/full "$root/full/big.bin"
echo "must survive" > "$root/linked/outside/keep.txt"
echo "removed" > "$root/linked/temp/sub/file.txt"
ln -s ../outside "$root/linked/temp/link"
