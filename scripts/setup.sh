#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine; does nothing when all is there.
set -euo pipefail
packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix
          binutils-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine wine64 locales xvfb openjdk-17-jdk-headless)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
# Wine takes its ANSI code page from the locale; every run uses an English UTF-8 one (code page 1252).
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  $sudo sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
