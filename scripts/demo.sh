#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo setup file with mkmedia (with the stand-in Java
# runtime included as "jre.tar.gz") and runs it under Wine up to the Java installer's main class,
# then shows what the launcher did (its native log) and what reached the Java side (the stand-in
# JVM's report).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
source scripts/wine-env.sh
wine_prepare_prefix
out=build/demo
rm -rf "$out" && mkdir -p "$out"
bash tests/startup/make_runtime.sh "$out/runtime" build/bin build/standin
# The demo's own description, plus the runtime, the Java side and where the stand-in JVM reports.
{
  sed -E 's@^(file|data) ([^ ]*) (.*)$@\1 \2 ../../demo/\3@' demo/demo.txt
  echo "file tvkruntime.jar ../standin/tvkruntime.jar"
  echo "file jre.tar.gz runtime/jre.tar.gz"
  echo "config 123 -Dstandin.report=$(winepath -w "$out" 2>/dev/null)\\report.txt"
} > "$out/demo.txt"
wine build/bin/mkmedia.exe build/bin/mediastub.exe "$out/demo.txt" "$out/demo-setup.exe"
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
if [ -f "$out/report.txt" ]; then
  echo "The Java side (stand-in JVM report, $out/report.txt):"
  grep -E '^(main\.class|arg|classpath|property=zolta\.(tempDir|unextractedPosition)|property=java\.home)=' "$out/report.txt" | sed 's/^/  /'
else
  echo "The Java installer's main class was not reached."
  status=${status/#0/1}
fi
exit $status
