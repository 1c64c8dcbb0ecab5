#!/usr/bin/env bash
# Installs what is missing and builds the Debian package build-package/meldrit_*.deb. Install it
# with: sudo apt-get install ./build-package/meldrit_*.deb
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# help2man writes the manual page of meldrit-cli, rsvg-convert the icon's PNG sizes, dpkg-shlibdeps
# (dpkg-dev) the package's dependencies.
meldrit_install "${MELDRIT_BUILD_PACKAGES[@]}" help2man librsvg2-bin dpkg-dev
cd "$MELDRIT_ROOT"
cmake --preset package >/dev/null
# Only what the package holds: the tests are built and run by scripts/test.sh.
cmake --build build-package -j "$(nproc)" --target meldrit meldrit-cli uniform_tool editor meldrit_package_files
rm -f build-package/meldrit_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/meldrit_*.deb
