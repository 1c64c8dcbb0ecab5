#!/usr/bin/env bash
# Runs the commands of the README's tour exactly as written, on the example data set, and checks
# that every meldrit-cli run completes: exit status 0, its job's completion message alone on
# standard output, nothing on standard error. The commands are read from the README itself, so
# that the tour cannot drift from what works; each of the three jobs must be among them.
#
#   readme_tour.sh BIN_DIR SOURCE_DIR
#
# The section on making p-fields goes on from the tour and is run the same way.
#
# BIN_DIR holds meldrit-cli and uniform.exe. The commands run from the repository root, after
# ./scripts/start.sh: that root is rebuilt in a temporary folder (build/bin with copies of the two
# programs, examples/ with a copy of the data set), since the uniform job writes uniform.par and
# its temporary files beside meldrit-cli and the results must not land in the repository.
#
# A command is a line of an indented code block in the tour section (four or more leading blanks;
# the list items' prose has three), joined with the lines that follow a trailing backslash.

set -u
export LC_ALL=C

[[ $# -eq 2 ]] || {
  echo "usage: $0 BIN_DIR SOURCE_DIR" >&2
  exit 2
}
BIN=$1
SOURCE=$2
README=$SOURCE/README.md
[[ -x $BIN/meldrit-cli && -x $BIN/uniform.exe ]] || {
  echo "$0: no meldrit-cli and uniform.exe in $BIN" >&2
  exit 2
}
[[ -f $README && -d $SOURCE/examples ]] || {
  echo "$0: no README.md and examples/ in $SOURCE" >&2
  exit 2
}

T=$(mktemp -d) || exit 2
trap 'rm -rf "$T"' EXIT
ROOT=$T/root
mkdir -p "$ROOT/build/bin"
cp "$BIN/meldrit-cli" "$BIN/uniform.exe" "$ROOT/build/bin/"
cp -R "$SOURCE/examples" "$ROOT/examples"

COMMANDS=()
while IFS= read -r -d '' command; do
  COMMANDS+=("$command")
done < <(awk '
  /^## / { tour = ($0 ~ /^## A tour of the three jobs/ || $0 ~ /^## Making p-fields/ ||
                $0 ~ /^## Opening grids in other programs/); next }
  !tour { next }
  /^    / || pending != "" {
    line = $0
    sub(/^ +/, "", line)
    if (line == "") next
    continued = sub(/[ \t]*\\$/, "", line)
    pending = pending == "" ? line : pending " " line
    if (!continued) { printf "%s%c", pending, 0; pending = "" }
  }
' "$README")

completion_message() {
  case $1 in
    uniform) echo "Calculation Complete!" ;;
    local) echo "Calculation finished!" ;;
    multiphase) echo "Probability Field Simulation Complete!" ;;
    map) echo "count" ;;  # the statistics, one name and value a line, the count first
    pfield) echo "p-field written." ;;
    variogram) echo "name lag gamma pairs" ;;  # the table's header, then a row a lag
    export) echo "Wrote" ;;                     # then what it wrote, and where
    *) return 1 ;;
  esac
}

failures=0
declare -A ran=()
for command in "${COMMANDS[@]}"; do
  (cd "$ROOT" && bash -c "$command") >"$T/stdout" 2>"$T/stderr"
  status=$?
  read -ra words <<<"$command"
  job=""
  if [[ ${words[0]} == */meldrit-cli || ${words[0]} == meldrit-cli ]]; then
    for word in "${words[@]:1}"; do
      [[ $word == -* ]] || {
        job=$word
        break
      }
    done
  fi
  problem=""
  if [[ $status -ne 0 ]]; then
    problem="exit status $status"
  elif [[ -n $job ]]; then
    if ! expected=$(completion_message "$job"); then
      problem="no such job: $job"
    elif [[ $job == map && $(head -c 6 "$T/stdout") != "count " ]] ||
      [[ $job == variogram && $(head -n 1 "$T/stdout") != "$expected" ]] ||
      [[ $job == export && $(head -c 5 "$T/stdout") != "$expected" ]] ||
      [[ $job != map && $job != variogram && $job != export && $(cat "$T/stdout") != "$expected" ]]; then
      problem="standard output is not \"$expected\""
    elif [[ -s $T/stderr ]]; then
      problem="messages on standard error"
    elif [[ ${words[0]} != build/bin/meldrit-cli ]]; then
      problem="not runnable from the repository root after ./scripts/start.sh (build/bin/meldrit-cli)"
    else
      ran[$job]=1
    fi
  fi
  if [[ -n $problem ]]; then
    failures=$((failures + 1))
    echo "FAILED ($problem): $command"
    sed 's/^/  stdout: /' "$T/stdout"
    sed 's/^/  stderr: /' "$T/stderr"
  else
    echo "ok: $command"
  fi
done

for job in uniform local multiphase pfield variogram export; do
  [[ -n ${ran[$job]:-} ]] || {
    failures=$((failures + 1))
    echo "FAILED: the tour has no completed meldrit-cli $job command"
  }
done
[[ $failures -eq 0 ]] || exit 1
echo "${#COMMANDS[@]} commands of the README's tour ran as written."
