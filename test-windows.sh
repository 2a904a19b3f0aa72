#!/usr/bin/env bash
# The Windows lane. With Qt for MinGW-w64 (../shared/toolchains/qt6-mingw-6.4.2.tar.xz, or the
# archive KRDL_QT_MINGW names): cross-builds the program, its tools, the benchmarks and every test
# program with MinGW-w64, runs every test program under Wine (Qt's offscreen platform), makes the
# portable folder, zip and setup program (package-windows.sh) and drives the installed program end
# to end under Wine on a virtual X display (scripts/windows-end-to-end.sh). Without the archive it
# says so and builds and tests the libraries without Qt. Ends with one count of the tests; exits 0
# only when every test passed.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --windows
start=$SECONDS

qt_archive=${KRDL_QT_MINGW:-../shared/toolchains/qt6-mingw-6.4.2.tar.xz}
# Release without debug information, optimized as the Linux build (-O2: GCC 12's -O3 also warns
# falsely about std::string, -Wrestrict).
config=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
        "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG")
if command -v ccache >/dev/null; then
  config+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [[ -f "$qt_archive" ]]; then
  build=build-windows/full
  qt=$PWD/build-windows/qt6-mingw
  # Unpacked again only when the archive changes.
  stamp=build-windows/qt6-mingw.stamp
  if [[ ! -d "$qt" || "$(cat "$stamp" 2>/dev/null)" != "$(stat -c '%s %Y' "$qt_archive")" ]]; then
    echo "Unpacking $qt_archive"
    rm -rf "$qt" && mkdir -p build-windows
    tar -C build-windows -xJf "$qt_archive"
    stat -c '%s %Y' "$qt_archive" >"$stamp"
  fi
  # Qt's offscreen platform on Windows reads fonts only from <Qt>/lib/fonts, and Qt ships none:
  # the test programs get the same DejaVu fonts as on Linux.
  mkdir -p "$qt/lib/fonts"
  cp /usr/share/fonts/truetype/dejavu/*.ttf "$qt/lib/fonts/"
  config+=(-DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr)
else
  build=build-windows/core
  qt=
  echo "Windows lane: Qt for MinGW-w64 is missing ($qt_archive, made by build-qt-mingw.sh beside it):"
  echo "  building and testing only the libraries without Qt (text, platform, compound, automation);"
  echo "  KRDL.exe, docprops.exe, krdl-batch.exe, their tests, the package and the end-to-end run are left out."
  config+=(-DKRDL_CORE_ONLY=ON)
fi
cmake -S . -B "$build" "${config[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
echo "Windows lane: built in $((SECONDS - start)) s"

# A Wine prefix of the lane's own, made once; no Mono or Gecko installers, no desktop.
export WINEPREFIX="$PWD/build-windows/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
scripts/windows-prefix.sh "$build/bin/FakeSolidEdge.dll"

# The test programs find Qt's and the MinGW runtime's DLLs on WINEPATH; Qt finds its plugins
# beside its DLLs.
runtime_dirs=()
[[ -n "$qt" ]] && runtime_dirs+=("$qt/bin")
for dll in libstdc++-6.dll libwinpthread-1.dll; do
  runtime_dirs+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")")
done
WINEPATH=$(for d in "${runtime_dirs[@]}"; do winepath -w "$d"; done | paste -sd';')
export WINEPATH

results=$PWD/build-windows/results
rm -rf "$results" && mkdir -p "$results"
# One CTest test per program (a cross build cannot list the cases), each with the environment its
# CMake file gives it; GoogleTest writes each program's cases to results/<program>.xml, the docprops
# test scripts theirs to results/<test>.xml.
status=0
GTEST_OUTPUT="xml:$(winepath -w "$results")\\" TEST_RESULTS_DIR="$results" \
  ctest --test-dir "$build" -j"$(nproc)" --timeout 1800 --output-log "$results/ctest.log" >"$results/ctest.out" 2>&1 \
  || status=1
grep -E 'tests passed|Test +#.*(Failed|Timeout|Exception)' "$results/ctest.out" || true
wineserver -k 2>/dev/null || true
echo "Windows lane: tests ran in $((SECONDS - start)) s"

if [[ -n "$qt" ]]; then
  if ! ./package-windows.sh "$build"; then
    status=1
  elif ! xvfb-run -a -s "-screen 0 1280x1024x24" scripts/windows-end-to-end.sh "$build" "$results/end-to-end.txt"; then
    status=1
  fi
  echo "Windows lane: packaged and run end to end at $((SECONDS - start)) s"
fi

# The Linux build's tests (./test.sh builds it first), to say how many of them pass here too.
linux_tests=$build/linux-tests.txt
if [[ -f build/CTestTestfile.cmake ]]; then
  ctest --test-dir build -N | sed -n 's/^ *Test *#[0-9]*: //p' >"$linux_tests"
else
  : >"$linux_tests"
fi

python3 - "$results" "$status" "$build/test-programs.txt" "$linux_tests" <<'PY' || status=1
import glob, os, sys, xml.etree.ElementTree as ET
results, status, listing, linux_listing = sys.argv[1:5]
run = passed = failed = skipped = 0
passed_names = set()  # GoogleTest's full names of the cases that passed, and the scripts' tests
                      # whose every case that ran passed
reasons = {}  # what GTEST_SKIP() said -> how many tests it skipped
programs = [os.path.splitext(os.path.basename(l.strip()))[0] for l in open(listing) if l.strip()]
missing = []
for name in programs:
    f = os.path.join(results, name + ".xml")
    if not os.path.exists(f):
        missing.append(name)  # it crashed or timed out before it wrote its result
        continue
    program_failed = program_passed = 0
    for case in ET.parse(f).iter("testcase"):
        if case.get("status") == "notrun":
            continue
        run += 1
        skip = case.find("skipped")
        if case.find("failure") is not None:
            failed += 1
            program_failed += 1
            print(f"FAILED {name}: {case.get('classname')}.{case.get('name')}")
        elif case.get("result") == "skipped" or skip is not None:
            skipped += 1
            # GoogleTest's message is "file:line", a line break, then what the test said.
            lines = (skip.get("message", "") if skip is not None else "").split("\n")
            why = lines[1] if len(lines) > 1 and lines[1] else "no reason given"
            reasons[why] = reasons.get(why, 0) + 1
        else:
            passed += 1
            program_passed += 1
            passed_names.add(f"{case.get('classname')}.{case.get('name')}")
    if program_passed and not program_failed:
        passed_names.add(name)
for why, n in sorted(reasons.items()):
    print(f"skipped {n}: {why}")
for name in missing:
    print(f"FAILED {name}: no result (crashed or timed out; see {results}/ctest.log)")
e2e = os.path.join(results, "end-to-end.txt")
checks = [l for l in open(e2e, encoding="utf-8")] if os.path.exists(e2e) else []
ok = sum(1 for l in checks if l.startswith("ok "))
bad = sum(1 for l in checks if l.startswith("FAILED "))
if checks:
    print(f"end to end: {ok} checks passed, {bad} failed")
print(f"Windows lane: {len(programs)} test programs, {run} tests run, {passed} passed, {failed} failed, "
      f"{skipped} skipped" + (f"; end to end {ok} passed, {bad} failed" if checks else ""))
linux = [l.strip() for l in open(linux_listing) if l.strip()]
if linux:
    also = sum(1 for t in linux if t in passed_names)
    print(f"Linux tests (build/) that also pass under Wine: {also} of {len(linux)} ({100 * also // len(linux)} %)")
good = status == "0" and failed == 0 and not missing and run > 0 and bad == 0
sys.exit(0 if good else 1)
PY
echo "Windows lane: $((SECONDS - start)) s in all"
exit "$status"
