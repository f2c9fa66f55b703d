#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ (or BUILD_DIR), then runs each
# for the given number of seconds (default 60), starting from its seed corpus
# fuzz/corpus/<target>/. New inputs go to build-fuzz/corpus/<target>/, and an
# input that fails is kept as build-fuzz/findings/<target>-crash-...
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build_dir=${BUILD_DIR:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DVESTRAL_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target fuzz

targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
mkdir -p "$build_dir/findings"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  corpus="$build_dir/corpus/$target"
  mkdir -p "$corpus" "fuzz/corpus/$target"
  log="$build_dir/$target.log"
  # The chain runs every sample through 230 taps: shorter inputs, more runs.
  case "$target" in
    fuzz_decodeur | fuzz_filtre) longueur=12000 ;;
    *) longueur=65536 ;;
  esac
  if "$build_dir/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$longueur" -print_final_stats=1 -artifact_prefix="$build_dir/findings/$target-" \
    "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $target: ${runs:-?} runs in ${seconds} s, no finding"
  else
    echo "fuzz $target: FINDING (see $log and $build_dir/findings/)"
    tail -40 "$log"
    status=1
  fi
done
exit $status
