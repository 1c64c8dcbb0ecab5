#!/usr/bin/env bash
# Cross-builds the core, meldrit-cli, uniform.exe and the core tests for Windows with mingw-w64
# (the windows preset, into build-windows) and runs them under wine: the core tests, then one batch
# run of each job, whose output files must equal those of the Linux build byte for byte. The
# uniform job starts uniform.exe through CreateProcessA and WaitForSingleObject, as on Windows.
#
# The Linux build is build/bin (scripts/test.sh builds it; built here when missing), or
# MELDRIT_LINUX_BIN.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
meldrit_install cmake ninja-build g++-mingw-w64-x86-64-posix libcli11-dev googletest wine64
started=$SECONDS
cd "$MELDRIT_ROOT"

fail() {
  echo "test-windows: $*" >&2
  exit 1
}

echo "== Cross build for Windows"
cmake --preset windows >/dev/null
cmake --build build-windows -j "$(nproc)" --target core_tests meldrit-cli uniform_tool
linux=${MELDRIT_LINUX_BIN:-$MELDRIT_ROOT/build/bin}
if [ ! -x "$linux/meldrit-cli" ] || [ ! -x "$linux/uniform.exe" ]; then
  cmake -S "$MELDRIT_ROOT" -B "$MELDRIT_ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$MELDRIT_ROOT/build" -j "$(nproc)" --target meldrit-cli uniform_tool
fi

# A private wine of our own, which never opens a window nor offers to install anything.
export WINEPREFIX=$MELDRIT_ROOT/build-windows/wine WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -d "$WINEPREFIX/drive_c" ] || "$wine" wineboot --init </dev/null >/dev/null 2>&1 || fail "wineboot"

echo "== Core tests under wine"
tests_started=$SECONDS
# From drive C:, which holds the tests' temporary folders, so that relative spellings of their
# paths exist.
if ! (cd "$WINEPREFIX/drive_c" && "$wine" "$MELDRIT_ROOT/build-windows/bin/core_tests.exe" --gtest_brief=1 \
  </dev/null 2>&1 | tr -d '\r'); then
  fail "core tests failed under wine"
fi
echo "(core tests: $((SECONDS - tests_started)) s)"

echo "== One batch run of each job, Windows against Linux"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
mkdir -p "$T/inputs" "$T/linux" "$T/windows"
cp "$linux/meldrit-cli" "$linux/uniform.exe" "$T/linux/"
cp build-windows/bin/meldrit-cli.exe build-windows/bin/uniform.exe "$T/windows/"
crlf() {
  local file=$1
  shift
  printf '%s\r\n' "$@" >"$T/inputs/$file"
}
crlf DATA3D.PRN '3D samples' 'x y z grade' '1 1 1 4.5' '2 1 1 1.5' '3 1 1 4.5' '1 2 1 -2' '2 2 1 1E+1'
crlf prob.out 'ccdf' '0.3 0.7' '0.2 0.6' '0.5 0.5' '0.1 0.2'
crlf unif.out '0.5' '0.9' '0.1' '1'
crlf phases.out 'codes' '1' '2' '2'
printf '%s\n' '2 1 2' >"$T/inputs/classes.out"
crlf bihist22.dat '2 2' '1 1 2' '0 0' '10 1' '1 2 2' '0 0' '20 1' '2 1 2' '0 0' '100 1' '2 2 3' '0 0' \
  '50 .5' '200 1'
crlf u1.out 'title' '.5' '.5' '.5'
printf '%s\n' '.1 .2 .3' >"$T/inputs/u2.out"

jobs=(
  "uniform --input DATA3D.PRN --skip 2 --coords 3d --column 4 --output result.DAT"
  "local --prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output result.out"
  "multiphase --phases phases.out --phases-skip 1 --variables classes.out --bihistogram bihist22.dat --nodes 1,3,1 --phase-uniform u1.out::1 u2.out --output result.out"
)
for job in "${jobs[@]}"; do
  read -r -a arguments <<<"$job"
  output=${arguments[-1]}
  for system in linux windows; do
    rm -rf "$T/work-$system" && cp -r "$T/inputs" "$T/work-$system"
    program=("$T/linux/meldrit-cli")
    [ $system = windows ] && program=("$wine" "$T/windows/meldrit-cli.exe")
    status=0
    (cd "$T/work-$system" && "${program[@]}" --quiet "${arguments[@]}" </dev/null) >"$T/$system.out" 2>&1 ||
      status=$?
    echo "status $status" >>"$T/$system.out"
  done
  # The messages end their lines with CR LF on Windows; the files are the program's own bytes.
  tr -d '\r' <"$T/windows.out" | cmp -s - "$T/linux.out" ||
    fail "${arguments[0]}: Linux said $(cat "$T/linux.out"), Windows $(cat "$T/windows.out")"
  [ -s "$T/work-linux/$output" ] || fail "${arguments[0]}: the Linux build wrote no $output"
  cmp "$T/work-linux/$output" "$T/work-windows/$output" || fail "${arguments[0]}: the outputs differ"
  echo "${arguments[0]}: $(wc -l <"$T/work-windows/$output") lines, the same bytes"
done
# uniform.exe ran in the program folder, which the Windows program names with its own separators.
grep -q '\\tempuniforme34247.out' "$T/windows/uniform.par" || fail "no Windows path in uniform.par"
[ ! -e "$T/windows/tempuniforme34246.out" ] || fail "the score file was left behind"
echo "Windows tests passed in $((SECONDS - started)) s."
