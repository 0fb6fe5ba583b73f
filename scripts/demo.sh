#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo setup file with mkmedia and runs it under Wine,
# then shows what the launcher did (its native log).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
source scripts/wine-env.sh
wine_prepare_prefix
out=build/demo
rm -rf "$out" && mkdir -p "$out"
wine build/bin/mkmedia.exe build/bin/mediastub.exe demo/demo.txt "$out/demo-setup.exe"
# The launcher writes its log into the prefix's temporary folder; start from none there.
temp_dirs=("$WINEPREFIX"/drive_c/users/*/Temp)
rm -f "${temp_dirs[@]/%//tvk_nlog_}"*.log
echo "Running $out/demo-setup.exe -q -Dtarvelink.language=de under Wine ..."
status=0
TARVELINK_LOG=yes wine "$out/demo-setup.exe" -q -Dtarvelink.language=de || status=$?
echo "Exit code: $status"
for log in "${temp_dirs[@]/%//tvk_nlog_}"*.log; do
  [ -f "$log" ] || continue
  echo "Native log ($log):"
  sed 's/^/  /' "$log"
done
exit $status
