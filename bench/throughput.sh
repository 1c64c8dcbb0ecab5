#!/usr/bin/env bash
# Builds Release with the benchmarks, generates their data, runs every bench/*_bench.cpp program,
# prints each job's throughput against the parse-only pass of the same run, and the peak RSS of
# `meldrit-cli local` at 1e5 and 1e7 nodes (10 thresholds).
#   BUILD_DIR            build folder (default <repo>/build-bench)
#   MELDRIT_BENCH_DATA   data folder (default /tmp/meldrit-bench)
#   MELDRIT_BENCH_NODES  node count of the benchmarks (default 1e7)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-bench}
export MELDRIT_BENCH_DATA=${MELDRIT_BENCH_DATA:-/tmp/meldrit-bench}
export MELDRIT_BENCH_NODES=${MELDRIT_BENCH_NODES:-10000000}
mkdir -p "$MELDRIT_BENCH_DATA"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMELDRIT_BUILD_BENCH=ON \
  -DMELDRIT_BUILD_GUI=OFF >/dev/null
benches=()
for source in "$ROOT"/bench/*_bench.cpp; do benches+=("$(basename "$source" .cpp)"); done
cmake --build "$BUILD" --target meldrit-cli meldrit_bench_data "${benches[@]}"

# Inputs of the local ccdf job, shared by local_bench and the memory figures.
local_data() {  # NODES -> prints "PROB UNIFORM"
  local prob="$MELDRIT_BENCH_DATA/prob_${1}x10.out" unif="$MELDRIT_BENCH_DATA/unif_${1}.out"
  if [[ ! -f $prob || ! -f $unif ]]; then
    "$BUILD/bin/meldrit_bench_data" local "$prob" "$unif" "$1" 10
  fi
  echo "$prob $unif"
}
read -r _ _ < <(local_data "$MELDRIT_BENCH_NODES")

echo
echo "== Benchmarks (nodes: $MELDRIT_BENCH_NODES) =="
for bench in "${benches[@]}"; do
  json="$BUILD/$bench.json"
  "$BUILD/bin/$bench" --benchmark_out="$json" --benchmark_out_format=json
  python3 - "$json" <<'PY'
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if "vs_separate" in b:
        print(f"{b['name']:<56} one pass {b['one_pass_s']:6.2f} s  separate runs {b['separate_s']:6.2f} s"
              f"  ratio {b['vs_separate']:.2f}")
        continue
    if "vs_parse" not in b:
        continue
    rates = "  ".join(f"{b[k] / 1e6:7.2f} M {k}" for k in b
                      if k.endswith("/s") and k not in ("MB/s", "parse_MB/s"))
    print(f"{b['name']:<56} {b.get('MB/s', 0):8.1f} MB/s  {rates}"
          f"  parse-only {b.get('parse_MB/s', 0):7.1f} MB/s  ratio {b['vs_parse']:.2f}")
PY
done

echo
echo "== Peak RSS of meldrit-cli local (10 thresholds) =="
limits=0,10,20,30,40,50,60,70,80,90,100,110
for run in "100000 100,100,10" "10000000 1000,100,100"; do
  read -r nodes grid <<<"$run"
  read -r prob unif < <(local_data "$nodes")
  out="$MELDRIT_BENCH_DATA/rss_output.out"
  /usr/bin/time -v "$BUILD/bin/meldrit-cli" local --prob "$prob" --limits "$limits" --nodes "$grid" \
    --uniform "$unif" --output "$out" 2>"$MELDRIT_BENCH_DATA/time.txt" >/dev/null
  rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$MELDRIT_BENCH_DATA/time.txt")
  wall=$(awk '/Elapsed \(wall clock\)/ {print $NF}' "$MELDRIT_BENCH_DATA/time.txt")
  printf '%9s nodes: peak RSS %6s KB, wall %s\n' "$nodes" "$rss" "$wall"
done
echo
echo "== Peak RSS of meldrit-cli local, 1 and 10 realizations in one pass ($MELDRIT_BENCH_NODES nodes) =="
read -r prob unif < <(local_data "$MELDRIT_BENCH_NODES")
grid="$MELDRIT_BENCH_NODES,1,1"
for count in 1 10; do
  uniforms=()
  for ((r = 0; r < count; ++r)); do uniforms+=(--uniform "$unif"); done
  /usr/bin/time -v "$BUILD/bin/meldrit-cli" local --prob "$prob" --limits "$limits" --nodes "$grid" \
    "${uniforms[@]}" --output "$MELDRIT_BENCH_DATA/realization_{}.out" --quiet \
    2>"$MELDRIT_BENCH_DATA/time.txt" >/dev/null
  rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$MELDRIT_BENCH_DATA/time.txt")
  wall=$(awk '/Elapsed \(wall clock\)/ {print $NF}' "$MELDRIT_BENCH_DATA/time.txt")
  printf '%3s realizations: peak RSS %6s KB, wall %s\n' "$count" "$rss" "$wall"
done
rm -f "$MELDRIT_BENCH_DATA"/realization_*.out

echo
echo "== Peak RSS of meldrit-cli map on the grid benchmark's file (1000 x 1000 x ${MELDRIT_BENCH_GRID_Z:-100}) =="
grid="$MELDRIT_BENCH_DATA/grid_1000x1000x${MELDRIT_BENCH_GRID_Z:-100}.out"
if [[ -f $grid ]]; then
  /usr/bin/time -v "$BUILD/bin/meldrit-cli" map --input "$grid" --nodes "1000,1000,${MELDRIT_BENCH_GRID_Z:-100}" \
    --png "$MELDRIT_BENCH_DATA/grid.png" --quiet 2>"$MELDRIT_BENCH_DATA/time.txt" >/dev/null
  rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$MELDRIT_BENCH_DATA/time.txt")
  wall=$(awk '/Elapsed \(wall clock\)/ {print $NF}' "$MELDRIT_BENCH_DATA/time.txt")
  printf 'map: peak RSS %6s KB, wall %s\n' "$rss" "$wall"
fi
