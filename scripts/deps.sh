#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Sourced by the other scripts; add a package here when a new tool is used.
#
# A registry can be out of step for a while (a mirror in the middle of a
# sync fails `apt-get update`), so a failed update is only a warning: it is
# tried once more after TARVEX_APT_RETRY_SECONDS (default 10), and the install
# then works with the package indices at hand. Only a package that cannot be
# installed fails, by name.
set -euo pipefail

TARVEX_PACKAGES=(
  cmake ninja-build g++ clang
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  as31 sdcc srecord avra
  python3 d52 dis51 sdcc-ucsim
  libtsan2
  qt6-base-dev fonts-dejavu-core
)

# Another apt at work on this machine holds the lock: wait for it rather
# than take a busy machine for a package that cannot be installed.
TARVEX_APT=(apt-get -o DPkg::Lock::Timeout=600)
tarvex_sudo=""
[[ $(id -u) -ne 0 ]] && tarvex_sudo="sudo"

# The packages the last tarvex_install_packages could not install.
TARVEX_UNINSTALLABLE=()

tarvex_apt_update() {
  $tarvex_sudo "${TARVEX_APT[@]}" update -qq && return 0
  local pause=${TARVEX_APT_RETRY_SECONDS:-10}
  echo "warning: apt-get update failed; trying again in ${pause}s" >&2
  sleep "$pause"
  $tarvex_sudo "${TARVEX_APT[@]}" update -qq && return 0
  echo "warning: apt-get update failed again; installing with the package indices at hand" >&2
}

tarvex_apt_install() {
  DEBIAN_FRONTEND=noninteractive $tarvex_sudo "${TARVEX_APT[@]}" install -y -qq --no-install-recommends "$@"
}

# Returns nonzero, naming them, when packages cannot be installed; callers
# that have another way test it (under `if` or `||` set -e does not end
# the script inside).
tarvex_install_packages() {
  local missing=() p log installed
  TARVEX_UNINSTALLABLE=()
  installed=$(dpkg-query -W -f='${Package}\t${Status}\n' "${TARVEX_PACKAGES[@]}" "$@" 2>/dev/null |
    awk -F'\t' '$2 == "install ok installed" {print $1}' || true)
  for p in "${TARVEX_PACKAGES[@]}" "$@"; do
    [[ $'\n'$installed$'\n' == *$'\n'$p$'\n'* ]] || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  tarvex_apt_update
  tarvex_apt_install "${missing[@]}" >/dev/null 2>&1 && return 0
  # Which of them? Each alone; apt's own words for those that fail.
  for p in "${missing[@]}"; do
    if ! log=$(tarvex_apt_install "$p" 2>&1 >/dev/null); then
      TARVEX_UNINSTALLABLE+=("$p")
      printf '%s\n' "$log" | sed 's/^/  /' >&2
    fi
  done
  if ((${#TARVEX_UNINSTALLABLE[@]})); then
    echo "Cannot install: ${TARVEX_UNINSTALLABLE[*]}" >&2
    return 1
  fi
}
