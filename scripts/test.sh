#!/usr/bin/env bash
# Builds everything and runs every test: plain, under the sanitizers, the
# fuzzers briefly and the benchmarks briefly. Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvex_install_packages

JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
passed=0
failed=0

run_ctest() {
  local preset=$1 log
  log=$(mktemp)
  if ctest --preset "$preset" -j "$JOBS" 2>&1 | tee "$log"; then :; fi
  local p f
  p=$(grep -oE '[0-9]+ tests? passed|tests passed' "$log" | head -1 | grep -oE '^[0-9]+' || true)
  if line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log"); then
    f=$(echo "$line" | sed -E 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    t=$(echo "$line" | sed -E 's/.*tests failed out of ([0-9]+).*/\1/')
    passed=$((passed + t - f))
    failed=$((failed + f))
  else
    failed=$((failed + 1))
  fi
  rm -f "$log"
}

for preset in dev asan tsan; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$JOBS"
  echo "=== $preset: tests"
  run_ctest "$preset"
done

echo "=== fuzzers (${FUZZ_SECONDS}s each)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$JOBS"
for fuzzer in build/fuzz/fuzz/fuzz_*; do
  [[ -x $fuzzer ]] || continue
  name=$(basename "$fuzzer")
  corpus=build/fuzz/corpus/$name
  # Whatever a fuzzer leaves (crash-, slow-unit-, timeout- files) lands here,
  # never in the work tree; inputs up to 64 KiB reach size and depth faults.
  artifacts=build/fuzz/artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  [[ -d fuzz/seeds/$name ]] && seeds+=("fuzz/seeds/$name")
  if "$fuzzer" -max_total_time="$FUZZ_SECONDS" -max_len=65536 -artifact_prefix="$artifacts/" -print_final_stats=0 \
      "$corpus" "${seeds[@]}" >"build/fuzz/$name.log" 2>&1; then
    echo "$name: clean"
    passed=$((passed + 1))
  else
    echo "$name: FAILED"; tail -40 "build/fuzz/$name.log"
    failed=$((failed + 1))
  fi
done

echo "=== release build and benchmarks (brief)"
cmake --preset release >/dev/null
cmake --build --preset release -j "$JOBS"
for bench in build/release/bench/bench_*; do
  [[ -x $bench ]] || continue
  err="build/release/$(basename "$bench").err"
  if "$bench" --benchmark_min_time=0.01 >/dev/null 2>"$err"; then
    echo "$(basename "$bench"): ran"
  else
    echo "$(basename "$bench"): FAILED"; cat "$err"
    failed=$((failed + 1))
  fi
done

for extra in scripts/test.d/*.sh; do
  [[ -e $extra ]] || continue
  echo "=== $(basename "$extra")"
  if bash "$extra"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
