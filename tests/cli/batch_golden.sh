#!/usr/bin/env bash
# Golden transcript of meldrit-cli batch runs: every message of the three jobs and completed runs of
# each kind, with the files they write and the side files left in the program folder.
#
#   batch_golden.sh BIN_DIR            replay, diff against batch_golden.expected; exit 0 or 1
#   batch_golden.sh BIN_DIR --record   write batch_golden.expected from this binary
#
# BIN_DIR holds meldrit-cli and uniform.exe. Both are copied into a program folder of their own in
# a temporary folder: the uniform job writes uniform.par and its temporary files beside the running
# meldrit-cli, and the build folder must stay clean.
#
# Messages no batch run can produce, so none of the cases below shows them:
#   uniform    "Please select input data file!", "Please select output file!": the type check comes
#              first and refuses any name that does not end in out/prn/dat, so a name that gets
#              past it is never blank.
#   local      "Illegal Type of Input Probability Data File!" and its dialog title: only the file
#              chooser checks the type. "Please define thresholds!": an import always detects n >= 1
#              thresholds and --limits must give exactly n + 2 values (else a usage error), so the
#              class table is never short of rows.
#   multiphase "Illegal Type of Input Data File!": file chooser only.
#              "Cannot open multiphase data file: ...", "Cannot open variable data file: ...": the
#              import opened and read the same path moments before. "Cannot read multiphase data
#              file: ...", "Cannot read variable data file: ...": a read error fails the import
#              first ("Error during import input files!").
#              "Too many classes: at most 1000 ...": the import caps the class table at 1000 phase
#              rows; the same message with a lower count is reached through a low open-file limit.
# "Cannot read ..." and "Cannot write output file: ..." are reached through /proc/self/mem (reading
# it at offset 0 fails with EIO) and /dev/full, so the script wants Linux.

set -u
export LC_ALL=C

usage() {
  echo "usage: $0 BIN_DIR [--record]" >&2
  exit 2
}
[[ $# -ge 1 && $# -le 2 ]] || usage
[[ $# -eq 1 || $2 == --record ]] || usage
BIN=$1
RECORD=0
[[ $# -eq 2 ]] && RECORD=1
[[ -x $BIN/meldrit-cli && -x $BIN/uniform.exe ]] || {
  echo "$0: no meldrit-cli and uniform.exe in $BIN" >&2
  exit 2
}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
EXPECTED=$HERE/batch_golden.expected
[[ $RECORD -eq 1 || -f $EXPECTED ]] || {
  echo "$0: $EXPECTED is missing; record it with --record" >&2
  exit 2
}

# The physical path: the program folder is found through /proc/self/exe, which resolves links,
# and uniform.par holds it.
T=$(mktemp -d) || exit 2
trap 'rm -rf "$T"' EXIT
T=$(cd "$T" && pwd -P)
TOKEN=@TMP@
PROG=$T/program
INPUTS=$T/inputs
WORK=$T/work
TRANSCRIPT=$T/transcript
mkdir -p "$PROG" "$INPUTS"
cp "$BIN/meldrit-cli" "$BIN/uniform.exe" "$PROG/"
T_RE=$(printf '%s' "$T" | sed 's/[][\.*^$/]/\\&/g')

# ---------------------------------------------------------------------------------------------
# Input files. The program's own files end their lines with CR LF; some inputs here use LF only,
# no line end at the end, tabs, commas, quotes or D exponents, as hand-made files do.

crlf() {  # FILE LINE... : each line ended by CR LF
  local file=$1
  shift
  printf '%s\r\n' "$@" >"$file"
}
lf() {  # FILE LINE... : each line ended by LF
  local file=$1
  shift
  printf '%s\n' "$@" >"$file"
}

make_inputs() {
  cd "$INPUTS" || exit 2
  mkdir folder
  printf '' >empty.dat

  # uniform
  crlf data.dat 'x y a b c' '10 20 3 0.5 9' '11 21 1 0.25 9' '12 22 2 0.75 9'
  crlf DATA3D.PRN '3D samples' 'x y z grade' '1 1 1 4.5' '2 1 1 1.5' '3 1 1 4.5' '1 2 1 -2' '2 2 1 1E+1'
  printf '7.25\n-1.5D0\n  3,0.5\n\t2\n1e1' >plain.out
  crlf mixed.dat '1 5 red' '2 x green' '3 7 blue'
  printf '"1 2" 3\r\n' >quoted.dat
  crlf twocol.dat '1 2' '3 4'
  printf '%s ' {1..51} >wide.dat
  printf '\r\n' >>wide.dat

  # local
  crlf prob.out 'ccdf' '0.3 0.7' '0.2 0.6' '0.5 0.5' '0.1 0.2'
  crlf unif.out '0.5' '0.9' '0.1' '1'
  lf probwarn.out '0.2 0.6 0.9' '-0.1 0.5 0.8' '0.1 1.5 1.7' '-0.3 0.3 2'
  lf probhigh.out '0.1 0.2' '1.25 1.5'
  printf '0.5\n0.25,0.75\n' >probcomma.out
  lf probdesc.out '0.5 0.9' '0.6 0.4'
  lf probtext.out '0.1 0.2' '0.3 abc'
  lf probodd.out '0.1 0.2' '0.3 0.4' '0.5'
  printf '0 %.0s' {1..101} >prob101.out
  printf '\n' >>prob101.out
  crlf uniftext.out '0.5' 'abc' '0.1' '1'

  # multiphase
  crlf phases.out 'codes' '1' '2' '2'
  lf classes.out '2 1 2'
  crlf bihist.dat '2 1' '0 0 2' '0 0' '10 1' '0 0 2' '0 0' '100 1'
  crlf bihist22.dat '2 2' '1 1 2' '0 0' '10 1' '1 2 2' '0 0' '20 1' '2 1 2' '0 0' '100 1' \
    '2 2 3' '0 0' '50 .5' '200 1'
  crlf bihist11.dat '1 1' 'x y 3' '0 0' '5 .5' '10 1'
  lf bihist12.dat '1 2' '1 1 2 0 0 1 1' '1 2 2 -1 0 -2 1'
  crlf bihistphases.dat '3 1' '0 0 2' '0 0' '10 1'
  crlf bihistclasses.dat '2 5' '0 0 2' '0 0' '10 1'
  crlf bihistpts51.dat '2 1' '0 0 2' '0 0' '10 1' '0 0 51' '0 0' '100 1'
  crlf bihistshort.dat '2 1' '0 0 2' '0 0' '10 1' '0 0 2' '0 0'
  crlf u1.out 'title' '.5' '.5' '.5'
  lf 'u2 with blank.out' '.1 .2 .3'
  crlf u3.out '.25' '.75' '.9' '.1' '.6'
  lf phzero.out '1' '0' '2'
  lf clzero.out '2 0.5 1'
  lf phtext.out '1 x 2'
  lf phnone.out '0 0 -1'
  lf phbig.out '1 1001'
  lf phfrac.out '1 2.5'
  cd - >/dev/null || exit 2
}

# ---------------------------------------------------------------------------------------------
# Cases: NAME SETUP OUTPUTS ARGUMENTS..., as shell words. SETUP is - or one of
#   no-uniform      no uniform.exe in the program folder (and none on the PATH)
#   silent-uniform  a uniform.exe that exits at once and writes nothing
#   fd-limit-23     an open-file limit of 23, hard and soft
# OUTPUTS are the files (comma-separated, work-folder relative) to record, - for none. ARGUMENTS
# are meldrit-cli's; @TMP@ stands for the temporary folder. Runs start in the work folder, which
# holds a fresh copy of the inputs every time.

UNIFORM_CASES=(
  # completed: no coordinates, 2D, 3D
  "uniform-none          -  scores.out    uniform --input plain.out --column 1 --output ' scores.out'"
  "uniform-2d            -  result.out    uniform --input data.dat --skip 1 --coords 2d --column 4 --output result.out"
  "uniform-3d            -  result.DAT    uniform --input DATA3D.PRN --skip 2 --coords 3d --column 4 --output result.DAT"
  "uniform-skip-fraction -  ties.out      uniform --input data.dat --skip 1.9 --column 5 --output ties.out"
  "uniform-text-skipped  -  mixed.out     uniform --input mixed.dat --column 1 --output mixed.out"
  "uniform-no-samples    -  quoted.out    uniform --input quoted.dat --column 1 --output quoted.out"
  # refused by the file type
  "uniform-input-type    -  r.out         uniform --input data.txt --column 1 --output r.out"
  "uniform-input-blank   -  r.out         uniform --input '   ' --column 1 --output r.out"
  "uniform-output-type   -  r.txt         uniform --input data.dat --skip 1 --column 3 --output r.txt"
  "uniform-output-blank  -  -             uniform --input data.dat --skip 1 --column 3 --output ' '"
  # import
  "uniform-format-none   -  r.out         uniform --input none.dat --column 1 --output r.out"
  "uniform-format-empty  -  r.out         uniform --input empty.dat --column 1 --output r.out"
  "uniform-format-skip   -  r.out         uniform --input data.dat --skip 9 --column 1 --output r.out"
  "uniform-format-wide   -  r.out         uniform --input wide.dat --column 1 --output r.out"
  "uniform-format-coords -  r.out         uniform --input twocol.dat --coords 2d --column 3 --output r.out"
  # column and file checks of the run
  "uniform-column-coord  -  r.out         uniform --input data.dat --skip 1 --coords 2d --column 2 --output r.out"
  "uniform-column-beyond -  r.out         uniform --input data.dat --skip 1 --column 6 --output r.out"
  "uniform-same-file     -  data.dat      uniform --input data.dat --skip 1 --column 3 --output data.dat"
  "uniform-same-spelled  -  data.dat      uniform --input data.dat --skip 1 --column 3 --output ' ./data.dat'"
  # the transformation program
  "uniform-no-program    no-uniform      r.out  uniform --input data.dat --skip 1 --coords 2d --column 4 --output r.out"
  "uniform-silent-prog   silent-uniform  r.out  uniform --input data.dat --skip 1 --coords 2d --column 4 --output r.out"
  "uniform-text-value    -  r.out         uniform --input mixed.dat --column 2 --output r.out"
  # usage errors
  "uniform-usage-coords  -  r.out         uniform --input data.dat --column 1 --output r.out --coords 4d"
  "uniform-usage-column  -  r.out         uniform --input data.dat --column x --output r.out"
)

L='--prob prob.out --prob-skip 1'
LOCAL_CASES=(
  # completed
  "local-continuous      -  result.out  local $L --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output result.out --type continuous"
  "local-classes         -  result.out  local $L --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output result.out --type classes"
  "local-default-type    -  result.out  local --prob probcomma.out --limits -1,5,10 --nodes 3,1,1 --uniform unif.out --uniform-skip 1.5 --output ' result.out '"
  # import warnings come on stderr as they are found, at most one of each kind
  "local-warnings        -  result.out  local --prob probwarn.out --limits 0,1,2,3,4 --nodes 4,1,1 --uniform unif.out --output result.out"
  "local-warning-first   -  result.out  local --prob probhigh.out --limits 0,1,2,3 --nodes 1,2,1 --uniform unif.out --output result.out --type classes"
  # node count boxes: a sign is dropped with its message, then the checks of the continue button
  "local-nodes-negative  -  result.out  local $L --limits 0,10,20,30 --nodes -2,-0.5,-1.5 --uniform unif.out --output result.out"
  "local-nodes-zero-x    -  result.out  local $L --limits 0,10,20,30 --nodes 0,2,2 --uniform unif.out --output result.out"
  "local-nodes-zero-y    -  result.out  local $L --limits 0,10,20,30 --nodes 4,0.5,1 --uniform unif.out --output result.out"
  "local-nodes-zero-z    -  result.out  local $L --limits 0,10,20,30 --nodes 4,1,abc --uniform unif.out --output result.out"
  "local-nodes-product   -  result.out  local $L --limits 0,10,20,30 --nodes 2,2,2 --uniform unif.out --output result.out"
  # class limits, checked before the node counts
  "local-limits-1        -  result.out  local $L --limits 10,5,20,30 --nodes 0,2,1 --uniform unif.out --output result.out"
  "local-limits-order    -  result.out  local $L --limits 0,20,10,30 --nodes 2,2,1 --uniform unif.out --output result.out"
  "local-limits-2        -  result.out  local $L --limits 0,10,30,30 --nodes 2,2,1 --uniform unif.out --output result.out"
  "local-limits-3        -  result.out  local --prob probwarn.out --limits 0,1,2,4,4 --nodes 4,1,1 --uniform unif.out --output result.out"
  # import
  "local-prob-blank      -  result.out  local --prob '   ' --limits 0,1,2 --nodes 1,1,1 --uniform unif.out --output result.out"
  "local-import-missing  -  result.out  local --prob none.out --limits 0,1,2 --nodes 1,1,1 --uniform unif.out --output result.out"
  "local-import-empty    -  result.out  local --prob empty.dat --limits 0,1,2 --nodes 1,1,1 --uniform unif.out --output result.out"
  "local-import-desc     -  result.out  local --prob probdesc.out --limits 0,1,2,3 --nodes 2,1,1 --uniform unif.out --output result.out"
  "local-import-text     -  result.out  local --prob probtext.out --limits 0,1,2,3 --nodes 2,1,1 --uniform unif.out --output result.out"
  "local-import-odd      -  result.out  local --prob probodd.out --limits 0,1,2,3 --nodes 2,1,1 --uniform unif.out --output result.out"
  "local-import-101      -  result.out  local --prob prob101.out --limits 0,1,2 --nodes 1,1,1 --uniform unif.out --output result.out"
  # refusals and failures of the run
  "local-same-uniform    -  unif.out    local $L --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output ' unif.out '"
  "local-same-prob       -  prob.out    local --prob ' prob.out' --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output 'prob.out  '"
  "local-uniform-short   -  result.out  local $L --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --uniform-skip 2 --output result.out"
  "local-uniform-text    -  result.out  local $L --limits 0,10,20,30 --nodes 2,2,1 --uniform uniftext.out --output result.out"
  "local-output-folder   -  -           local $L --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output nofolder/result.out"
  "local-output-full     -  -           local $L --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output /dev/full"
  # usage errors
  "local-usage-limits    -  result.out  local $L --limits 0,10,30 --nodes 2,2,1 --uniform unif.out --output result.out"
  "local-usage-nodes     -  result.out  local $L --limits 0,10,20,30 --nodes 2,2 --uniform unif.out --output result.out"
)

M='--phases phases.out --phases-skip 1 --bihistogram bihist.dat'
MU="--phase-uniform u1.out::1 'u2 with blank.out'"
MULTIPHASE_CASES=(
  # completed, with and without the phase and variable files
  "multi-phases          -  result.out  multiphase $M --nodes 3,1,1 $MU --output result.out"
  "multi-both            -  result.out  multiphase --phases phases.out --phases-skip 1 --variables classes.out --bihistogram bihist22.dat --nodes 1,3,1 $MU --output result.out"
  "multi-neither         -  result.out  multiphase --nodes 2,2,1 --bihistogram bihist11.dat --phase-uniform u3.out --output ' result.out '"
  "multi-variables       -  result.out  multiphase --variables classes.out --nodes 1,1,3 --bihistogram bihist12.dat --phase-uniform u3.out::2 --output result.out"
  # import
  "multi-same-file       -  result.out  multiphase --phases phases.out --variables ' phases.out' --nodes 3,1,1 --bihistogram bihist.dat --output result.out"
  "multi-import-missing  -  result.out  multiphase $M --variables none.out --nodes 3,1,1 $MU --output result.out"
  "multi-import-text     -  result.out  multiphase --phases phtext.out --bihistogram bihist.dat --nodes 3,1,1 $MU --output result.out"
  "multi-import-no-phase -  result.out  multiphase --phases phnone.out --bihistogram bihist.dat --nodes 3,1,1 $MU --output result.out"
  "multi-import-1001     -  result.out  multiphase --phases phbig.out --bihistogram bihist.dat --nodes 2,1,1 $MU --output result.out"
  # node counts: the lower bound of all three first, then the upper bound
  "multi-nodes-negative  -  result.out  multiphase $M --nodes -3,1,1 $MU --output result.out"
  "multi-nodes-small-x   -  result.out  multiphase $M --nodes 0,1,1 $MU --output result.out"
  "multi-nodes-small-y   -  result.out  multiphase $M --nodes 1001,0.9,1 $MU --output result.out"
  "multi-nodes-small-z   -  result.out  multiphase $M --nodes 1,1,0.3 $MU --output result.out"
  "multi-nodes-large-x   -  result.out  multiphase $M --nodes 1001,1,1 $MU --output result.out"
  "multi-nodes-large-y   -  result.out  multiphase $M --nodes 1,1001,1001 $MU --output result.out"
  "multi-nodes-large-z   -  result.out  multiphase $M --nodes 1,1,2e3 $MU --output result.out"
  # checks of the run
  "multi-phase-file-2    -  result.out  multiphase $M --nodes 3,1,1 --phase-uniform u1.out::1 --output result.out"
  "multi-phase-file-1    -  result.out  multiphase $M --nodes 3,1,1 --phase-uniform '  ' u1.out --output result.out"
  "multi-phase-file-3    -  result.out  multiphase --phases phfrac.out --bihistogram bihist.dat --nodes 2,1,1 $MU --output result.out"
  "multi-bihist-blank    -  result.out  multiphase --phases phases.out --phases-skip 1 --bihistogram '   ' --nodes 3,1,1 $MU --output result.out"
  "multi-output-blank    -  -           multiphase $M --nodes 3,1,1 $MU --output ' '"
  "multi-too-many-phases fd-limit-23  result.out  multiphase $M --nodes 3,1,1 $MU --output result.out"
  # bihistogram data file
  "multi-bihist-missing  -  result.out  multiphase --phases phases.out --phases-skip 1 --bihistogram none.dat --nodes 3,1,1 $MU --output result.out"
  "multi-bihist-read     -  result.out  multiphase --phases phases.out --phases-skip 1 --bihistogram /proc/self/mem --nodes 3,1,1 $MU --output result.out"
  "multi-bihist-phases   -  result.out  multiphase --phases phases.out --phases-skip 1 --bihistogram bihistphases.dat --nodes 3,1,1 $MU --output result.out"
  "multi-bihist-classes  -  result.out  multiphase --phases phases.out --phases-skip 1 --bihistogram bihistclasses.dat --nodes 3,1,1 $MU --output result.out"
  "multi-bihist-points-51 - result.out  multiphase --phases phases.out --phases-skip 1 --bihistogram bihistpts51.dat --nodes 3,1,1 $MU --output result.out"
  "multi-bihist-short    -  result.out  multiphase --phases phases.out --phases-skip 1 --bihistogram bihistshort.dat --nodes 3,1,1 $MU --output result.out"
  # files of the node loop
  "multi-output-folder   -  -           multiphase $M --nodes 3,1,1 $MU --output @TMP@/nofolder/result.out"
  "multi-output-full     -  -           multiphase $M --nodes 3,1,1 $MU --output /dev/full"
  "multi-phase-missing   -  result.out  multiphase $M --nodes 3,1,1 --phase-uniform u1.out::1 none.out --output result.out"
  "multi-phase-read      -  result.out  multiphase $M --nodes 3,1,1 --phase-uniform u1.out::1 /proc/self/mem --output result.out"
  "multi-phase-code      -  result.out  multiphase --phases phzero.out --bihistogram bihist.dat --nodes 3,1,1 $MU --output result.out"
  "multi-class-code      -  result.out  multiphase --variables clzero.out --bihistogram bihist12.dat --nodes 3,1,1 --phase-uniform u3.out --output result.out"
  "multi-phases-end      -  result.out  multiphase $M --nodes 2,2,1 --phase-uniform u3.out u3.out --output result.out"
  "multi-variables-end   -  result.out  multiphase --variables classes.out --bihistogram bihist12.dat --nodes 2,2,1 --phase-uniform u3.out --output result.out"
  "multi-phase-file-end  -  result.out  multiphase $M --nodes 2,1,1 --phase-uniform u1.out::1 'u2 with blank.out::1' --output result.out"
  # usage errors
  "multi-usage-uniforms  -  result.out  multiphase $M --nodes 3,1,1 $MU u1.out --output result.out"
  "multi-usage-nodes     -  result.out  multiphase $M --nodes 3,1 $MU --output result.out"
)

# ---------------------------------------------------------------------------------------------

# A file's bytes, one line of text per line of the file in sed's unambiguous form (CR as \r,
# other non-printing bytes in octal, $ at each line end), the temporary folder as the token.
show_bytes() {
  local file=$1
  if [[ ! -e $file ]]; then
    echo "  (missing)"
  elif [[ -d $file ]]; then
    echo "  (folder)"
  elif [[ ! -s $file ]]; then
    echo "  (empty)"
  else
    sed -n "s/$T_RE/$TOKEN/g; l 0" "$file" | sed 's/^/  /'
    [[ $(tail -c 1 "$file" | wc -l) -eq 0 ]] && echo "  (no line end after the last line)"
  fi
  return 0
}

quote_word() {
  if [[ $1 =~ ^[A-Za-z0-9_.,:/@=+-]+$ ]]; then
    printf ' %s' "$1"
  else
    printf " '%s'" "${1//\'/\'\\\'\'}"
  fi
}

checksums() {  # every file of a folder as "crc size name", sorted for comm
  (cd "$1" && find . -type f -exec cksum {} + | sort)
}

run_case() {
  local name=$1 setup=$2 outputs=$3
  shift 3
  local -a args=("$@")
  echo "== CASE $name"
  [[ $setup != - ]] && echo "setup $setup"
  printf 'meldrit-cli'
  local word
  for word in "${args[@]}"; do quote_word "$word"; done
  echo
  args=("${args[@]//"$TOKEN"/$T}")

  rm -rf "$WORK"
  cp -a "$INPUTS" "$WORK"
  case $setup in
    -) ;;
    no-uniform) rm -f "$PROG/uniform.exe" ;;
    silent-uniform) printf '#!/bin/sh\nexit 0\n' >"$PROG/uniform.exe" && chmod +x "$PROG/uniform.exe" ;;
    fd-limit-23) ;;
    *) echo "$0: unknown setup '$setup' in case $name" >&2 && exit 2 ;;
  esac

  # An empty environment with a PATH that finds nothing: only the program folder's uniform.exe
  # counts. The timeout keeps a run that hangs from hanging the test.
  local status
  (
    cd "$WORK" || exit 125
    [[ $setup == fd-limit-23 ]] && { ulimit -n 23 || exit 125; }
    exec timeout 20 env -i PATH=/nonexistent "$PROG/meldrit-cli" "${args[@]}"
  ) <"$T/stdin" >"$T/stdout" 2>"$T/stderr"
  status=$?
  echo "status $status"
  echo "stdout"
  show_bytes "$T/stdout"
  if [[ $status -eq 2 ]]; then
    # The rest is CLI11's usage text.
    echo "stderr first line"
    head -n 1 "$T/stderr" >"$T/stderr.1"
    show_bytes "$T/stderr.1"
  else
    echo "stderr"
    show_bytes "$T/stderr"
  fi

  local -a named=()
  [[ $outputs != - ]] && IFS=, read -r -a named <<<"$outputs"
  local file
  for file in "${named[@]}"; do
    echo "file $file"
    show_bytes "$WORK/$file"
  done

  # Anything else the run created, changed or removed in the work folder.
  local path
  while read -r _ _ path; do
    path=${path#./}
    [[ " ${named[*]} " == *" $path "* ]] && continue
    if [[ -e $WORK/$path ]]; then
      echo "other file $path"
      show_bytes "$WORK/$path"
    else
      echo "removed file $path"
    fi
  done < <(comm -3 "$T/inputs.sums" <(checksums "$WORK") | sed 's/^\t//' | sort -u -k 3)

  # The program folder: uniform.par and the temporary files of the transformation.
  local left=0
  while IFS= read -r file; do
    left=1
    echo "program folder ${file##*/}"
    show_bytes "$file"
    rm -f "$file"
  done < <(find "$PROG" -mindepth 1 ! -name meldrit-cli ! -name uniform.exe | sort)
  [[ $left -eq 0 ]] && echo "program folder clean"
  cp -f "$BIN/uniform.exe" "$PROG/uniform.exe"
  return 0
}

make_inputs
: >"$T/stdin"
checksums "$INPUTS" >"$T/inputs.sums"

START=$SECONDS
{
  echo "# meldrit-cli batch runs, recorded by tests/cli/batch_golden.sh BIN_DIR --record"
  declare -A seen=()
  for line in "${UNIFORM_CASES[@]}" "${LOCAL_CASES[@]}" "${MULTIPHASE_CASES[@]}"; do
    eval "fields=($line)"
    if [[ -n ${seen[${fields[0]}]-} ]]; then
      echo "$0: case ${fields[0]} is listed twice" >&2
      exit 2
    fi
    seen[${fields[0]}]=1
    run_case "${fields[@]}"
  done
} >"$TRANSCRIPT" || exit 2
CASES=$(grep -c '^== CASE ' "$TRANSCRIPT")

if [[ $RECORD -eq 1 ]]; then
  cp "$TRANSCRIPT" "$EXPECTED"
  echo "recorded $CASES cases in $EXPECTED ($((SECONDS - START)) s)"
  exit 0
fi

# Per-case verdicts: a case fails when its section differs or is missing on either side.
load_sections() {  # FILE SECTIONS ORDER
  local -n sections=$2 order=$3
  local line name=
  while IFS= read -r line || [[ -n $line ]]; do
    if [[ $line == '== CASE '* ]]; then
      name=${line#'== CASE '}
      order+=("$name")
      sections["$name"]=
    fi
    [[ -n $name ]] && sections["$name"]+=$line$'\n'
  done <"$1"
}
declare -A got=() want=()
declare -a got_order=() want_order=()
load_sections "$TRANSCRIPT" got got_order
load_sections "$EXPECTED" want want_order
passed=0
failed=0
for name in "${got_order[@]}"; do
  if [[ -n ${want[$name]+x} && ${want[$name]} == "${got[$name]}" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
for name in "${want_order[@]}"; do
  [[ -z ${got[$name]+x} ]] && failed=$((failed + 1))
done

if diff -u --label expected --label actual "$EXPECTED" "$TRANSCRIPT"; then
  echo "$passed passed, 0 failed"
  exit 0
fi
echo "$passed passed, $failed failed"
exit 1
