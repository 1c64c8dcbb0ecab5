#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the whole suite, the core
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing run of
# the readers.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
meldrit_install "${MELDRIT_BUILD_PACKAGES[@]}" libbenchmark-dev clang libclang-rt-14-dev
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

echo "== Build and test (Release)"
cmake -S "$MELDRIT_ROOT" -B "$MELDRIT_ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMELDRIT_BUILD_BENCH=ON
cmake --build "$MELDRIT_ROOT/build" -j "$jobs"
ctest --test-dir "$MELDRIT_ROOT/build" --output-on-failure -j "$jobs"

echo "== The Debian package, installed and used by an ordinary user"
"$MELDRIT_ROOT/scripts/test-package.sh"

echo "== Windows: the core, meldrit-cli and uniform.exe cross-built and run under wine"
"$MELDRIT_ROOT/scripts/test-windows.sh"

echo "== Core tests under ASan and UBSan"
cmake -S "$MELDRIT_ROOT" -B "$MELDRIT_ROOT/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DMELDRIT_SANITIZE=ON -DMELDRIT_BUILD_GUI=OFF
cmake --build "$MELDRIT_ROOT/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$MELDRIT_ROOT/build-asan" --output-on-failure -j "$jobs"

echo "== Fuzzing the readers"
CC=clang CXX=clang++ cmake -S "$MELDRIT_ROOT" -B "$MELDRIT_ROOT/build-fuzz" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DMELDRIT_BUILD_FUZZ=ON -DMELDRIT_BUILD_GUI=OFF
cmake --build "$MELDRIT_ROOT/build-fuzz" -j "$jobs" --target fuzz_targets
for fuzzer in "$MELDRIT_ROOT"/build-fuzz/bin/fuzz_*; do
  corpus="$MELDRIT_ROOT/build-fuzz/corpus/$(basename "$fuzzer")"
  mkdir -p "$corpus"
  "$fuzzer" -max_total_time="${MELDRIT_FUZZ_SECONDS:-20}" -timeout=10 -rss_limit_mb=2048 \
    "$corpus" "$MELDRIT_ROOT/fuzz/seeds" 2>&1 | tail -n 2
done
echo "All tests passed."
