#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/<name>_fuzzer.cpp, with AddressSanitizer and
# UndefinedBehaviorSanitizer, through the fuzz preset) and runs each in turn on its seed corpus
# fuzz/corpus/<name> (the compound target: the documents of tests/data/compound). New inputs go
# to the build folder's corpus/<name>, which later runs start from. Exits non-zero when a target
# crashes, breaks an invariant, hangs (an input that takes over 10 s) or a sanitizer reports;
# the input is then in the build folder's artifacts/ and the log in logs/<name>.log.
#   fuzz/run.sh                  every target for FUZZ_SECONDS (default 15): the CI step
#   fuzz/run.sh --long SECONDS   every target for SECONDS
#   fuzz/run.sh --only NAME      only that target (compound, list_file, ...); may be repeated
#   FUZZ_BUILD                   build folder (default build-fuzz next to this folder)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-15}"
only=()
while (($#)); do
  case "$1" in
    --long) seconds="$2"; shift 2 ;;
    --only) only+=("${2%_fuzzer}"); shift 2 ;;
    *) echo "usage: $0 [--long SECONDS] [--only NAME]..." >&2; exit 2 ;;
  esac
done

targets=()
for source in "$here"/*_fuzzer.cpp; do
  name="$(basename "$source" _fuzzer.cpp)"
  if ((${#only[@]} == 0)) || [[ " ${only[*]} " == *" $name "* ]]; then
    targets+=("$name")
  fi
done
if ((${#targets[@]} == 0)); then
  echo "No fuzz target named ${only[*]}." >&2
  exit 2
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset fuzz -B "$build" "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzzer}"

mkdir -p "$build/logs" "$build/artifacts" "$build/seeds/compound"
cp "$root"/tests/data/compound/*.doc "$root"/tests/data/compound/*.ole "$build/seeds/compound/"

failed=()
TIMEFORMAT='%3U %3S'
printf '%-20s %8s %14s  %s\n' target "CPU s" executions result
for name in "${targets[@]}"; do
  seeds="$here/corpus/$name"
  [[ $name == compound ]] && seeds="$build/seeds/compound"
  mkdir -p "$build/corpus/$name"
  log="$build/logs/$name.log"
  result=ok
  if ! cpu=$( { time ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
                     UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
                     "$build/fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
                     -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1 \
                     "$build/corpus/$name" "$seeds" >"$log" 2>&1; } 2>&1 ); then
    result=FOUND
    failed+=("$name")
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  printf '%-20s %8s %14s  %s\n' "$name" "$(awk '{ printf "%.0f", $1 + $2 }' <<<"$cpu")" "${runs:-?}" "$result"
done

if ((${#failed[@]})); then
  for name in "${failed[@]}"; do
    echo "=== $name: $build/logs/$name.log"
    grep -v '^#[0-9]' "$build/logs/$name.log" | tail -40
  done
  echo "Fuzzing found faults in: ${failed[*]}." >&2
  exit 1
fi
echo "Fuzzing found nothing in ${seconds} s per target."
