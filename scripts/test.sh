#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the full
# suite, the core again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a bounded fuzzing run of the line parser and the event log file reader.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing

echo "== Layering of the sources"
bash "$ROOT/scripts/check_layers.sh"
FUZZ_SECONDS=${FUZZ_SECONDS:-30}

echo "== Release build and tests"
build build
(cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS")

echo "== Core under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build build-asan -DVY_SANITIZE=ON -DVY_BUILD_GUI=OFF -DVY_BUILD_CLI=OFF -DVY_BUILD_BENCH=OFF
(cd "$ROOT/build-asan" && ctest --output-on-failure -j "$JOBS")

echo "== Fuzzing the line parser, the export forms and the event log file reader for ${FUZZ_SECONDS}s each"
CC=clang CXX=clang++ build build-fuzz -DVY_FUZZ=ON -DVY_BUILD_TESTS=OFF -DVY_BUILD_GUI=OFF -DVY_BUILD_CLI=OFF \
  -DVY_BUILD_BENCH=OFF -DVY_BUILD_TOOLS=OFF -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined"
for f in "$ROOT"/build-fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  corpus="$ROOT/build-fuzz/corpus-$(basename "$f")"
  mkdir -p "$corpus"
  seeds="$ROOT/fuzz/seeds"  # a target's own seeds, where it has them
  [ -d "$ROOT/fuzz/seeds-$(basename "$f")" ] && seeds="$ROOT/fuzz/seeds-$(basename "$f")"
  "$f" -max_total_time="$FUZZ_SECONDS" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
       "$corpus" "$seeds" 2>&1 | tail -n 12
done
echo "All tests passed."
