#!/usr/bin/env bash
# Checks the names of src/ and tools/ against .clang-tidy (readability-identifier-naming) with the
# compile commands of a configured and built tree, and exits non-zero on any finding.
# Usage: scripts/check-naming.sh [build directory, default build]
# The build must have run once: the checked files include headers that moc and CMake generate.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [[ ! -f "$build/compile_commands.json" ]]; then
  echo "check-naming: no compile_commands.json in $build (configure and build first)" >&2
  exit 2
fi

tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
if [[ -z "$tidy" ]]; then
  echo "check-naming: clang-tidy not found (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
jobs=$(nproc)
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Only the translation units of src/ and tools/ of this checkout; not the moc output in $build.
# The compiler's own warnings are the build's business (clang warns where g++ does not): off here.
pattern="^$root/(src|tools)/.*\\.cpp\$"
status=0
if runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy); then
  "$runner" -quiet -clang-tidy-binary "$tidy" -extra-arg=-Wno-everything -p "$build" -j "$jobs" "$pattern" >"$log" 2>&1 || status=$?
else
  python3 -c 'import json, re, sys
for entry in json.load(open(sys.argv[1])):
    if re.search(sys.argv[2], entry["file"]):
        print(entry["file"])' "$build/compile_commands.json" "$pattern" |
    sort -u | xargs -r -P "$jobs" -n 1 "$tidy" -quiet --extra-arg=-Wno-everything -p "$build" >"$log" 2>&1 || status=$?
fi

# A header's finding shows once for every file that includes it: count each place once.
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(warning|error): .*\[readability-identifier-naming' | sort -u || true)
count=$(grep -c . <<<"$findings" || true)
if [[ -n "$findings" ]]; then
  echo "$findings"
fi
echo "check-naming: $count finding(s)"
if ((count > 0)); then
  exit 1
fi
if ((status != 0)); then
  # clang-tidy failed without a naming finding: a file that does not compile, for example.
  sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E 'error:' | sort -u | head -50 >&2 || true
  echo "check-naming: clang-tidy failed (status $status)" >&2
  exit 1
fi
