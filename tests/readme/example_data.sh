#!/usr/bin/env bash
# The committed example data set is what its generator writes: every file byte for byte, none
# missing and none extra (README.md and .gitattributes, written by hand, aside).
#
#   example_data.sh GENERATOR EXAMPLES_DIR
set -u
[[ $# -eq 2 ]] || {
  echo "usage: $0 GENERATOR EXAMPLES_DIR" >&2
  exit 2
}
T=$(mktemp -d) || exit 2
trap 'rm -rf "$T"' EXIT
"$1" "$T" || {
  echo "$0: the generator failed" >&2
  exit 1
}
diff -r --brief --exclude=README.md --exclude=.gitattributes "$T" "$2" || {
  echo "$0: examples/ differs from what the generator writes; run it into examples/ and commit" >&2
  exit 1
}
