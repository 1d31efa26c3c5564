#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Sourced by the other scripts; add a package here when a new tool is used.
set -euo pipefail

TARVEX_PACKAGES=(
  cmake ninja-build g++ clang
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  as31 sdcc srecord avra
  python3 d52 dis51 sdcc-ucsim
  libtsan2
  qt6-base-dev fonts-dejavu-core
)

tarvex_install_packages() {
  local missing=()
  for p in "${TARVEX_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}
