#!/usr/bin/env bash
# Runs the editor's load and save (bench_slowshare) and the real `docprops show` against
# documents on a simulated network share: libkrdl_slow_storage.so, preloaded, delays every read,
# write and flush of a file under the share by KRDL_SLOW_MS milliseconds. Linux only.
#
#   bench/slow_share.sh BUILD_DIR WORK_DIR [DOCUMENTS] [SAVES] [MS]     (40000, 1000, 5; DOCUMENTS >= 500)
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mkdir -p "$2" && cd "$2" && pwd)
documents=${3:-40000}
saves=${4:-1000}
export KRDL_SLOW_MS=${5:-5}
layer=$(find "$build" -name libkrdl_slow_storage.so -print -quit)
bench=$(find "$build" -name bench_slowshare -type f -perm -u+x -print -quit)
docprops=$(find "$build" -name docprops -type f -perm -u+x -print -quit)
[[ -n "$layer" && -n "$bench" && -n "$docprops" ]] || { echo "build bench_slowshare, krdl_slow_storage and docprops first" >&2; exit 2; }

uptime
/usr/bin/time -f "bench_slowshare: %e s wall, %U s user, %S s system, %M KB peak" \
  env LD_PRELOAD="$layer" "$bench" "$work" "$documents" "$saves"

# docprops show reads its documents on the loader's threads, printing them in order: 500 of them.
shown=("$work"/share/doc{0..499}.par)
local=("$work"/docs/doc{0..499}.par)
/usr/bin/time -f "docprops show, 500 documents on the share: %e s wall, %U s user, %S s system" \
  env LD_PRELOAD="$layer" KRDL_SLOW_DIR="$work/share" "$docprops" show "${shown[@]}" >/dev/null
/usr/bin/time -f "docprops show, the same 500 documents locally: %e s wall, %U s user, %S s system" \
  "$docprops" show "${local[@]}" >/dev/null
uptime
