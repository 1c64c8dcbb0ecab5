#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the whole suite, a Slurm array
# job on a one-machine cluster, the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short fuzzing run of the readers.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# python3-vtk9: the export tests read the written VTK files with a real VTK.
meldrit_install "${MELDRIT_BUILD_PACKAGES[@]}" libbenchmark-dev clang libclang-rt-14-dev python3-vtk9
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

echo "== A Slurm array job on a one-machine cluster"
"$MELDRIT_ROOT/scripts/test-slurm.sh" "$MELDRIT_ROOT/build/bin"

echo "== Core tests under ASan and UBSan"
cmake -S "$MELDRIT_ROOT" -B "$MELDRIT_ROOT/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DMELDRIT_SANITIZE=ON -DMELDRIT_BUILD_GUI=OFF
cmake --build "$MELDRIT_ROOT/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$MELDRIT_ROOT/build-asan" --output-on-failure -j "$jobs"

echo "== Fuzzing the readers and the jobs"
CC=clang CXX=clang++ cmake -S "$MELDRIT_ROOT" -B "$MELDRIT_ROOT/build-fuzz" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DMELDRIT_BUILD_FUZZ=ON -DMELDRIT_BUILD_GUI=OFF
cmake --build "$MELDRIT_ROOT/build-fuzz" -j "$jobs" --target fuzz_targets
# One run per fuzz/fuzz_*.cpp (a binary left from a removed target is not run), from its own seeds.
for source in "$MELDRIT_ROOT"/fuzz/fuzz_*.cpp; do
  name="$(basename "$source" .cpp)"
  [ "$name" = fuzz_support ] && continue
  corpus="$MELDRIT_ROOT/build-fuzz/corpus/$name"
  log="$MELDRIT_ROOT/build-fuzz/$name.log"
  dictionary="$MELDRIT_ROOT/fuzz/dictionaries/$name.dict"
  [ -f "$dictionary" ] || dictionary="$MELDRIT_ROOT/fuzz/dictionaries/text.dict"
  max_len=65536
  [ "$name" = fuzz_numbers ] && max_len=256
  mkdir -p "$corpus"
  if ! "$MELDRIT_ROOT/build-fuzz/bin/$name" -max_total_time="${MELDRIT_FUZZ_SECONDS:-15}" -timeout=10 \
    -rss_limit_mb=2048 -max_len="$max_len" -dict="$dictionary" \
    -artifact_prefix="$MELDRIT_ROOT/build-fuzz/$name-" "$corpus" "$MELDRIT_ROOT/fuzz/seeds/$name" \
    >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$name failed; the input is kept as build-fuzz/$name-*" >&2
    exit 1
  fi
  sed -n "s/^\(#[0-9]*[[:space:]]*DONE .*\)/$name \1/p" "$log"
done
echo "All tests passed."
