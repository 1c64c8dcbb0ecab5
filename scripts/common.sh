# Shared by the set-up scripts: installs the Debian packages that are missing.
set -euo pipefail

MELDRIT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export MELDRIT_ROOT

meldrit_install() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

MELDRIT_BUILD_PACKAGES=(build-essential cmake ninja-build qt6-base-dev libgl-dev libcli11-dev
  libgtest-dev libgmock-dev libpng-dev fonts-dejavu-core pkg-config libfftw3-dev librandom123-dev)
