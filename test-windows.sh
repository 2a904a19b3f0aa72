#!/usr/bin/env bash
# The Windows lane: cross-builds the libraries without Qt (src/platform, src/compound,
# src/automation) and their tests with MinGW-w64, registers the recording COM server that stands
# in for Solid Edge, and runs every test program under Wine. Ends with the number of tests run and
# passed; exits 0 only when all of them passed.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --windows

build=build-windows
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKRDL_CORE_ONLY=ON \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

# A Wine prefix of the lane's own, made once; no Mono or Gecko installers, no desktop.
export WINEPREFIX="$PWD/$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  # Let the prefix's first start (services, the running object table) finish before any test.
  wineserver -w
fi
wine regsvr32 /s "$build/bin/FakeSolidEdge.dll" 2>/dev/null

results="$build/results"
rm -rf "$results"
mkdir -p "$results"
status=0
for exe in "$build"/bin/krdl_tests_*.exe; do
  name=$(basename "$exe" .exe)
  # Relative paths: the programs see Windows paths, and the results folder is the current one.
  if (cd "$results" && wine "../bin/$name.exe" --gtest_output="xml:$name.xml" >"$name.log" 2>&1); then
    echo "$name: passed"
  else
    echo "$name: FAILED (log: $results/$name.log)"
    grep -E '^\[  FAILED  \]|Failure$|^\.\./.*: Failure' "$results/$name.log" | head -40 || true
    status=1
  fi
done
wineserver -k 2>/dev/null || true

python3 - "$results" "$status" <<'PY'
import glob, sys, xml.etree.ElementTree as ET
run = passed = failed = skipped = 0
reasons = {}  # what GTEST_SKIP() said -> how many tests it skipped
for f in sorted(glob.glob(sys.argv[1] + "/*.xml")):
    for case in ET.parse(f).iter("testcase"):
        if case.get("status") == "notrun":
            continue
        run += 1
        skip = case.find("skipped")
        if case.find("failure") is not None:
            failed += 1
        elif case.get("result") == "skipped" or skip is not None:
            skipped += 1
            # GoogleTest's message is "file:line", a line break, then what the test said.
            lines = (skip.get("message", "") if skip is not None else "").split("\n")
            why = lines[1] if len(lines) > 1 and lines[1] else "no reason given"
            reasons[why] = reasons.get(why, 0) + 1
        else:
            passed += 1
for why, n in sorted(reasons.items()):
    print(f"skipped {n}: {why}")
programs = len(glob.glob(sys.argv[1] + "/*.log"))
print(f"Windows lane: {programs} test programs, {run} tests run, {passed} passed, {failed} failed, {skipped} skipped")
print(f"{passed} passed, {failed} failed, {skipped} skipped")
sys.exit(0 if sys.argv[2] == "0" and failed == 0 and run > 0 else 1)
PY
