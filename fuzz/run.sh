#!/usr/bin/env bash
# Builds the compound file fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it briefly on a seed corpus made from the test documents.
# Exits non-zero on a crash, a hang (an input that takes over 10 s) or a sanitizer finding.
#   FUZZ_SECONDS  how long to run (default 60)
#   FUZZ_BUILD    build folder (default build-fuzz next to this folder)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
mkdir -p "$build/seeds" "$build/corpus"

clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$here/compound_fuzzer.cpp" "$root"/src/compound/*.cpp "$root"/src/text/*.cpp \
  "$root"/src/platform/PositionedFile.cpp "$root"/src/platform/FileIdentity.cpp \
  -o "$build/compound_fuzzer"

cp "$root"/tests/data/compound/*.doc "$root"/tests/data/compound/*.ole "$build/seeds/"

# New inputs go to the work corpus; the seeds stay as they are.
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  "$build/compound_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/" -print_final_stats=1 "$build/corpus" "$build/seeds"
echo "Fuzzing found nothing in ${seconds} s."
