#!/usr/bin/env bash
# Installs what is missing, then builds, checks the names (scripts/check-naming.sh) and runs
# every test: once plain, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets briefly.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)

cmake --preset default
cmake --build --preset default -j"$jobs"
scripts/check-naming.sh build
ctest --preset default -j"$jobs"

cmake --preset asan
cmake --build --preset asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --preset asan -j"$jobs"

if [[ -x fuzz/run.sh ]]; then
  fuzz/run.sh
fi

# The Windows lane: everything cross-built, tested under Wine, packaged and run end to end.
if [[ "${KRDL_SKIP_WINDOWS_LANE:-}" != 1 ]]; then
  ./test-windows.sh
fi
echo "All tests passed."
