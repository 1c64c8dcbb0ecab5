#!/usr/bin/env bash
# Installs what is missing, builds Meldrit and starts it (under Xvfb when there is no display).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
meldrit_install "${MELDRIT_BUILD_PACKAGES[@]}" xvfb xauth
cmake -S "$MELDRIT_ROOT" -B "$MELDRIT_ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$MELDRIT_ROOT/build" --target meldrit meldrit-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a "$MELDRIT_ROOT/build/bin/meldrit"
fi
exec "$MELDRIT_ROOT/build/bin/meldrit"
