#!/usr/bin/env bash
# Builds Release with the benchmarks, generates their data, runs every bench/*_bench.cpp program,
# times the whole batch jobs and uniform.exe alone, prints the peak RSS of all three jobs at 1e5
# and 1e7 nodes, and ends with the table of each job's throughput against the parse-only pass
# over the same files (one thread, std::from_chars) measured in the same run.
#   BUILD_DIR                     build folder (default <repo>/build-bench)
#   MELDRIT_BENCH_DATA            data folder (default /tmp/meldrit-bench)
#   MELDRIT_BENCH_NODES           node count of the benchmarks (default 1e7)
#   MELDRIT_BENCH_UNIFORM_VALUES  values of the uniform.exe run (default 1e8; 0 skips it)
#   MELDRIT_BENCH_SCALE=1         also the scale runs at 1e8 nodes (about 12 GB of data)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-bench}
export MELDRIT_BENCH_DATA=${MELDRIT_BENCH_DATA:-/tmp/meldrit-bench}
export MELDRIT_BENCH_NODES=${MELDRIT_BENCH_NODES:-10000000}
UNIFORM_VALUES=${MELDRIT_BENCH_UNIFORM_VALUES:-100000000}
DATA=$MELDRIT_BENCH_DATA
mkdir -p "$DATA"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMELDRIT_BUILD_BENCH=ON \
  -DMELDRIT_BUILD_GUI=OFF >/dev/null
benches=()
for source in "$ROOT"/bench/*_bench.cpp; do benches+=("$(basename "$source" .cpp)"); done
cmake --build "$BUILD" --target meldrit-cli uniform_tool meldrit_bench_data "${benches[@]}"
GEN=$BUILD/bin/meldrit_bench_data
CLI=$BUILD/bin/meldrit-cli
RESULTS=$DATA/throughput_results.txt
: >"$RESULTS"
record() { echo "$1 $2" >>"$RESULTS"; }

# Runs a command RUNS times; prints the best wall seconds, the peak RSS in KB of the runs and the
# CPU seconds (user + system) of the best run.
measure() {
  local runs=$1 best="" peak=0 cpu=0 wall rss user system
  shift
  for ((run = 0; run < runs; ++run)); do
    /usr/bin/time -f "%e %M %U %S" -o "$DATA/time.txt" "$@" >/dev/null 2>"$DATA/stderr.txt" ||
      { cat "$DATA/stderr.txt" >&2; return 1; }
    read -r wall rss user system <"$DATA/time.txt"
    if [[ -z $best ]] || python3 -c "import sys; sys.exit(0 if $wall < $best else 1)"; then
      best=$wall
      cpu=$(python3 -c "print(f'{$user + $system:.2f}')")
    fi
    ((rss > peak)) && peak=$rss
  done
  echo "$best $peak $cpu"
}
ratio() { python3 -c "print(f'{$1 / $2:.2f}')"; }
megabytes() { python3 -c "import os; print(f'{sum(os.path.getsize(f) for f in \"$*\".split()) / 1e6:.0f}')"; }

# Inputs of the three jobs, made once per size.
LIMITS=0,10,20,30,40,50,60,70,80,90,100,110
local_data() {  # NODES THRESHOLDS -> "PROB UNIFORM"
  local prob="$DATA/prob_${1}x$2.out" unif="$DATA/unif_${1}.out"
  [[ -f $prob && -f $unif ]] || "$GEN" local "$prob" "$unif" "$1" "$2"
  echo "$prob $unif"
}
multiphase_data() {  # NODES PHASES -> folder
  local folder="$DATA/multiphase_${1}x$2"
  [[ -f $folder/uniform_$2.out ]] || "$GEN" multiphase "$folder" "$1" "$2"
  echo "$folder"
}
column_data() {  # SAMPLES -> file (the uniform benchmark's name for the same bytes)
  local file="$DATA/column_$1.dat"
  [[ -f $file ]] || "$GEN" column "$file" "$1"
  echo "$file"
}
# NX only goes to 1000 in the batch front end's checks; 1e5 and 1e7 nodes as real grids:
grid_for() { case $1 in 100000) echo 100,100,10 ;; 2000000) echo 200,100,100 ;; 10000000) echo 1000,100,100 ;; 100000000) echo 1000,1000,100 ;; esac; }

run_local() {  # NODES THRESHOLDS OUTPUT
  local prob unif
  read -r prob unif < <(local_data "$1" "$2")
  local limits=$LIMITS
  [[ $2 == 5 ]] && limits=0,10,20,30,40,50,60
  echo "$CLI" local --prob "$prob" --limits "$limits" --nodes "$(grid_for "$1")" --uniform "$unif" --output "$3" --quiet
}
run_multiphase() {  # NODES PHASES OUTPUT
  local folder uniforms=()
  folder=$(multiphase_data "$1" "$2")
  for ((q = 1; q <= $2; ++q)); do uniforms+=("$folder/uniform_$q.out"); done
  echo "$CLI" multiphase --phases "$folder/phases.out" --variables "$folder/classes.out" --nodes "$(grid_for "$1")" \
    --bihistogram "$folder/bihistogram.dat" --phase-uniform "${uniforms[@]}" --output "$3" --quiet
}
run_uniform() {  # SAMPLES OUTPUT
  echo "$CLI" uniform --input "$(column_data "$1")" --skip 1 --coords 3d --column 4 --output "$2"
}
read -r _ _ < <(local_data "$MELDRIT_BENCH_NODES" 10)

echo
echo "== Benchmarks (nodes: $MELDRIT_BENCH_NODES) =="
for bench in "${benches[@]}"; do
  json="$BUILD/$bench.json"
  "$BUILD/bin/$bench" --benchmark_out="$json" --benchmark_out_format=json >/dev/null
  python3 - "$json" "$RESULTS" <<'PY'
import json, sys
results = open(sys.argv[2], "a")
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
    results.write(f"{b['name'].split('/iterations')[0]} {b['vs_parse']:.2f}\n")
PY
done

echo
echo "== Whole batch jobs at $MELDRIT_BENCH_NODES nodes (best of 3, wall) against a parse-only pass over their inputs =="
read -r prob unif < <(local_data "$MELDRIT_BENCH_NODES" 10)
read -r wall rss _ < <(measure 3 $(run_local "$MELDRIT_BENCH_NODES" 10 "$DATA/whole_local.out"))
parse=$("$GEN" parse "$prob" "$unif")
record local_whole "$(ratio "$parse" "$wall")"
printf 'meldrit-cli local       %6.2f s  %7.1f MB/s  parse-only %6.2f s  ratio %s  peak %s KB\n' "$wall" \
  "$(python3 -c "print($(megabytes "$prob" "$unif") / $wall)")" "$parse" "$(ratio "$parse" "$wall")" "$rss"
folder=$(multiphase_data "$MELDRIT_BENCH_NODES" 3)
read -r wall rss _ < <(measure 3 $(run_multiphase "$MELDRIT_BENCH_NODES" 3 "$DATA/whole_multiphase.out"))
parse=$("$GEN" parse "$folder"/phases.out "$folder"/classes.out "$folder"/uniform_*.out)
record multiphase_whole "$(ratio "$parse" "$wall")"
printf 'meldrit-cli multiphase  %6.2f s  parse-only %6.2f s  ratio %s  peak %s KB (import, checks and run)\n' \
  "$wall" "$parse" "$(ratio "$parse" "$wall")" "$rss"

echo
echo "== GSLIB-shaped inputs (GeoEAS headers, CR LF, six decimals): whole jobs, best of 3, against the parse-only pass =="
# The files geostatisticians bring from GSLIB's programs, at the two sizes the targets name.
for nodes in 2000000 10000000; do
  gdir="$DATA/gslib_$nodes"
  mkdir -p "$gdir"
  [[ -f $gdir/unif.out ]] || "$GEN" --gslib local "$gdir/prob.out" "$gdir/unif.out" "$nodes" 10
  [[ -f $gdir/multiphase/uniform_3.out ]] || "$GEN" --gslib multiphase "$gdir/multiphase" "$nodes" 3
  [[ -f $gdir/column.dat ]] || "$GEN" --gslib column "$gdir/column.dat" "$nodes"
  label=$(python3 -c "print(f'{$nodes:.0e}'.replace('e+0', 'e'))")
  report() {  # NAME KEY WALL CPU PARSE
    record "$2_$label" "$(ratio "$5" "$3")"
    printf '%-34s %s nodes  wall %6.2f s  cpu %6.2f s  parse-only %6.2f s  ratio %s\n' "$1" "$label" "$3" "$4" "$5" \
      "$(ratio "$5" "$3")"
  }
  local_job=("$CLI" local --quiet --prob "$gdir/prob.out" --prob-skip geoeas --uniform-skip geoeas --limits "$LIMITS"
    --nodes "$(grid_for "$nodes")")
  read -r wall _ cpu < <(measure 3 "${local_job[@]}" --uniform "$gdir/unif.out" --output "$gdir/o.out")
  report "local (n = 10), whole" gslib_local "$wall" "$cpu" "$("$GEN" parse "$gdir/prob.out" "$gdir/unif.out")"
  m="$gdir/multiphase"
  read -r wall _ cpu < <(measure 3 "$CLI" multiphase --quiet --phases "$m/phases.out" --phases-skip geoeas \
    --variables "$m/classes.out" --variables-skip geoeas --nodes "$(grid_for "$nodes")" \
    --bihistogram "$m/bihistogram.dat" --phase-uniform "$m"/uniform_{1,2,3}.out::geoeas --output "$gdir/o.out")
  report "multiphase (P = 3), whole" gslib_multiphase "$wall" "$cpu" \
    "$("$GEN" parse "$m/phases.out" "$m/classes.out" "$m"/uniform_{1,2,3}.out)"
  read -r wall _ cpu < <(measure 3 "$CLI" uniform --quiet --input "$gdir/column.dat" --skip geoeas --coords 3d \
    --column 4 --output "$gdir/o.out")
  report "uniform (3D), whole with uniform.exe" gslib_uniform "$wall" "$cpu" "$("$GEN" parse "$gdir/column.dat")"
  uniforms=()
  for ((r = 1; r <= 10; ++r)); do uniforms+=(--uniform "$gdir/unif.out"); done
  read -r wall _ cpu < <(measure 3 "${local_job[@]}" "${uniforms[@]}" --output "$gdir/r{}.out")
  report "ten realizations in one pass" gslib_ten "$wall" "$cpu" \
    "$("$GEN" parse "$gdir/prob.out" $(for ((r = 1; r <= 10; ++r)); do echo "$gdir/unif.out"; done))"
  rm -f "$gdir"/o.out "$gdir"/r*.out
done

echo
echo "== Peak RSS of the three batch jobs =="
for nodes in 100000 10000000; do
  read -r wall rss _ < <(measure 1 $(run_local "$nodes" 10 "$DATA/rss.out"))
  printf '%9s nodes  local (n = 10)        peak %7s KB  wall %6.2f s\n' "$nodes" "$rss" "$wall"
  read -r wall rss _ < <(measure 1 $(run_multiphase "$nodes" 3 "$DATA/rss.out"))
  printf '%9s nodes  multiphase (P = 3)    peak %7s KB  wall %6.2f s\n' "$nodes" "$rss" "$wall"
  read -r wall rss _ < <(measure 1 $(run_uniform "$nodes" "$DATA/rss.out"))
  printf '%9s nodes  uniform (uniform.exe) peak %7s KB  wall %6.2f s  (the values and scores are held)\n' \
    "$nodes" "$rss" "$wall"
done
rm -f "$DATA/rss.out"

echo
echo "== Peak RSS of meldrit-cli local, 1 and 10 realizations in one pass ($MELDRIT_BENCH_NODES nodes) =="
for count in 1 10; do
  uniforms=()
  for ((r = 0; r < count; ++r)); do uniforms+=(--uniform "$unif"); done
  read -r wall rss _ < <(measure 1 "$CLI" local --prob "$prob" --limits "$LIMITS" --nodes "$(grid_for "$MELDRIT_BENCH_NODES")" \
    "${uniforms[@]}" --output "$DATA/realization_{}.out" --quiet)
  printf '%3s realizations: peak RSS %6s KB, wall %6.2f s\n' "$count" "$rss" "$wall"
done
rm -f "$DATA"/realization_*.out

if ((UNIFORM_VALUES > 0)); then
  echo
  echo "== uniform.exe alone, $UNIFORM_VALUES values =="
  program="$DATA/uniform_alone"
  mkdir -p "$program"
  values="$DATA/values_$UNIFORM_VALUES.txt"
  [[ -f $values ]] || "$GEN" values "$values" "$UNIFORM_VALUES"
  printf '%s\r\n0\r\n%s\r\n%s\r\n1\r\n1\r\n' "$values" "$program/scores.out" "$UNIFORM_VALUES" >"$program/uniform.par"
  # Best of two: the first run may still share the disk with the writing of its 1.6 GB input.
  read -r wall rss _ < <(measure 2 "$BUILD/bin/uniform.exe" "$program/uniform.par" 0)
  record uniform_exe "$wall s, $(python3 -c "print(f'{$rss * 1024 / 1e9:.2f}')") GB"
  printf 'wall %6.2f s  peak RSS %s KB  (%s MB of values)\n' "$wall" "$rss" "$(megabytes "$values")"
  rm -f "$program/scores.out"
fi

echo
echo "== Generated p-fields (meldrit-cli pfield; best of 3, wall) =="
read -r wall rss _ < <(measure 3 "$CLI" pfield --quiet --nodes 100,100,100 --variogram '1 sph(20,20,20)' --seed 1 \
  --output "$DATA/pfield_1e6.out")
record pfield_1e6 "$wall s"
printf 'pfield 100 x 100 x 100, sph(20,20,20):           %6.2f s  peak %s KB\n' "$wall" "$rss"
read -r wall rss _ < <(measure 1 "$CLI" pfield --quiet --nodes 1000,1000,100 --variogram '1 sph(50,50,10)' --seed 1 \
  --output "$DATA/pfield_1e8.out")
parse=$("$GEN" parse "$DATA/pfield_1e8.out")
record pfield_1e8 "$wall s, $(python3 -c "print(f'{$rss / 1024:.0f}')") MB, ratio $(ratio "$parse" "$wall")"
printf 'pfield 1000 x 1000 x 100, sph(50,50,10):        %6.2f s  peak %s KB  parse-only %6.2f s  ratio %s\n' \
  "$wall" "$rss" "$parse" "$(ratio "$parse" "$wall")"
rm -f "$DATA/pfield_1e6.out" "$DATA/pfield_1e8.out"
# Ten realizations of the local job on 1e7 nodes: the p-field files written, then read in one pass,
# against the run that generates them as it goes (the same budget per field, so the same bytes).
read -r prob _ < <(local_data 10000000 10)
field=(--nodes 1000,100,100 --seed 1 --realizations 1-10 --memory 128)
model='1 sph(50,50,10)'
two_step() {
  "$CLI" pfield --quiet "${field[@]}" --variogram "$model" --output "$DATA/gen_u{}.out" &&
    "$CLI" local --quiet --prob "$prob" --limits "$LIMITS" "${field[0]}" "${field[1]}" \
      --uniform "$DATA"/gen_u{1,2,3,4,5,6,7,8,9,10}.out --output "$DATA/gen_two{}.out"
}
start=$(date +%s.%N)
two_step >/dev/null
two=$(python3 -c "print(f'{$(date +%s.%N) - $start:.2f}')")
read -r fused rss _ < <(measure 1 "$CLI" local --quiet --prob "$prob" --limits "$LIMITS" "${field[@]}" \
  --pfield "$model" --output "$DATA/gen_fused{}.out")
for r in 1 10; do cmp "$DATA/gen_two$r.out" "$DATA/gen_fused$r.out"; done
record pfield_fused "$(ratio "$fused" "$two")"
printf 'local, 1e7 nodes, n = 10, 10 realizations: two steps %6.2f s, fused %6.2f s (%s of it), peak %s KB\n' \
  "$two" "$fused" "$(ratio "$fused" "$two")" "$rss"
rm -f "$DATA"/gen_*.out

if [[ ${MELDRIT_BENCH_SCALE:-0} == 1 ]]; then
  echo
  read -r wall rss _ < <(measure 1 "$CLI" pfield --quiet --nodes 1000,1000,1000 --variogram '1 sph(50,50,50)' \
    --seed 1 --output /dev/null)
  printf 'pfield 1000 x 1000 x 1000, sph(50,50,50), to /dev/null: %7.1f s  peak %s KB\n' "$wall" "$rss"
  echo
  echo "== Scale: 1e8 nodes (1000 x 1000 x 100), and the extrapolation to 1000 x 1000 x 1000 =="
  read -r prob unif < <(local_data 100000000 5)
  read -r wall rss _ < <(measure 1 $(run_local 100000000 5 "$DATA/scale_local.out"))
  inputs=$(megabytes "$prob" "$unif") output=$(megabytes "$DATA/scale_local.out")
  python3 -c "print(f'local (n = 5):      wall {$wall:7.1f} s  {$inputs / $wall:6.1f} MB/s  peak {$rss} KB;'
    f'  1e9 nodes: about {$wall * 10 / 60:.0f} min, {($inputs + $output) * 10 / 1e3:.0f} GB of inputs and output')"
  folder=$(multiphase_data 100000000 3)
  read -r wall rss _ < <(measure 1 $(run_multiphase 100000000 3 "$DATA/scale_multiphase.out"))
  inputs=$(megabytes "$folder"/phases.out "$folder"/classes.out "$folder"/uniform_*.out)
  output=$(megabytes "$DATA/scale_multiphase.out")
  python3 -c "print(f'multiphase (P = 3): wall {$wall:7.1f} s  {$inputs / $wall:6.1f} MB/s  peak {$rss} KB;'
    f'  1e9 nodes: about {$wall * 10 / 60:.0f} min, {($inputs + $output) * 10 / 1e3:.0f} GB of inputs and output')"
  rm -f "$DATA/scale_local.out" "$DATA/scale_multiphase.out"
fi

echo
echo "== Throughput against the parse-only pass over the same files, this run (higher is faster) =="
python3 - "$RESULTS" <<'PY'
import sys
got = dict(line.rstrip("\n").split(" ", 1) for line in open(sys.argv[1]) if " " in line)
rows = [
    ("`meldrit-cli local` whole (import + checks + run)", "0.28", "1.0", got.get("local_whole", "-")),
    ("local run alone (continuous; classes)", "0.62", "1.5",
     f"{got.get('BM_LocalRun/continuous:1', '-')}; {got.get('BM_LocalRun/continuous:0', '-')}"),
    ("local import alone", "0.46", "1.0", got.get("BM_ProbabilityImport", "-")),
    ("`meldrit-cli multiphase` run", "0.27-0.49", "1.2", got.get("BM_MultiphaseRun", "-")),
    ("`meldrit-cli uniform` whole, with uniform.exe", "0.09", "0.4", got.get("BM_UniformRun", "-")),
    ("uniform.exe alone, 1e8 values", "25.6 s, 1.96 GB", "under 10 s, under 1.2 GB", got.get("uniform_exe", "-")),
    ("`meldrit-cli pfield` 1e6 nodes", "-", "well under 1 s", got.get("pfield_1e6", "-")),
    ("`meldrit-cli pfield` 1e8 nodes (time, peak, vs parse-only)", "-", "under 30 s, under 1124 MB",
     got.get("pfield_1e8", "-")),
    ("fused local run against its two steps (1e7 nodes, 10 realizations)", "-", "at most 0.75",
     got.get("pfield_fused", "-")),
]
rows += [
    (f"GSLIB-shaped {what}, {size}", before, target, got.get(f"gslib_{key}_{size}", "-"))
    for key, what, targets in [
        ("local", "local whole", {"2e6": ("0.86", ">= 0.9"), "1e7": ("0.75", ">= 1.0")}),
        ("multiphase", "multiphase whole", {"2e6": ("0.29", ">= 1.0"), "1e7": ("0.55-0.62", ">= 1.0")}),
        ("uniform", "uniform whole", {"2e6": ("0.11", ">= 0.3"), "1e7": ("0.13", ">= 0.3")}),
        ("ten", "ten realizations in one pass", {"2e6": ("-", ">= 0.7"), "1e7": ("0.42-0.54", ">= 0.7")}),
    ]
    for size, (before, target) in targets.items()
]
print("| what | before | target | now |")
print("|---|---|---|---|")
for row in rows:
    print("| " + " | ".join(row) + " |")
PY
