#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine in the build tree's own prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/wine-env.sh
wine_prepare_prefix
# One wineserver for the whole run keeps every test fast; it is stopped afterwards.
wineserver -p </dev/null >/dev/null 2>&1 || true
status=0
ctest --preset default "$@" || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
