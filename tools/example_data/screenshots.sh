#!/usr/bin/env bash
# Takes the pictures of the README's tour again (docs/tour-*.png) under a virtual X display, so that
# they show the window as the window system draws it, with its fonts.
#
#   tools/example_data/screenshots.sh [BUILD_DIR]     (default: build; meldrit_screenshots built)
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
meldrit_install xvfb xauth
program="${1:-$MELDRIT_ROOT/build}/tools/example_data/meldrit_screenshots"
[ -x "$program" ] || {
  echo "$0: build the target meldrit_screenshots first ($program)" >&2
  exit 2
}
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1024x768x24" "$program" "$MELDRIT_ROOT"
