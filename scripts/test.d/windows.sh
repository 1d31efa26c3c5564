#!/usr/bin/env bash
# The Windows builds: cross-compiles them and runs the Windows tests under
# Wine, in a Wine prefix of their own inside the build folder and without a
# display. Installs the cross compilers and Wine when missing.
#
# The IDE runs 32-bit, so the 32-bit build (preset mingw32) is always built
# and its imports checked. Its tests run under wine32 where this machine can
# run 32-bit x86 programs. Some machines cannot (their kernel runs no 32-bit
# code at all, so wine32 cannot start); there the 64-bit build (preset
# mingw64) runs the whole Windows test suite under wine64 instead, so every
# Win32 code path still runs. TARVEX_WINDOWS_WAY=64 (or 32) forces the way.
#
# Where anything of the 32-bit way cannot be installed (a registry whose
# i386 packages are broken or mid-sync for the day), the 64-bit way is taken
# instead and the line it prints says why; an i386 architecture this script
# added for it is removed again, so that it fails no later update. Only a
# machine where neither way can be installed fails the step.
#
# For a test of these choices, TARVEX_WINDOWS_RUNS_32BIT=yes (or no) stands in
# for the look at the machine, and TARVEX_WINDOWS_DECIDE_ONLY=1 ends the
# script once its way is chosen and installed.
#
# The tests of the windows (tests_win32) run on a virtual X server of their
# own (xvfb-run), as Wine gives windows no size without a display, in a Wine
# prefix of their own whose desktop was made on such a display.
#
# Wine can hang, and nothing may hold a CI machine: each test has
# TARVEX_WINDOWS_TEST_SECONDS (default 120), and preparing the Wine prefix
# and the whole test run together TARVEX_WINDOWS_WINE_SECONDS (default 300).
# The builds have no timer, as a machine shared with other work would fail
# them for its load alone; they are kept small instead (test code at -O1).
# Run by scripts/test.sh; runs on its own too.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/deps.sh

start=$SECONDS
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
JOBS=${JOBS:-$(nproc)}
WINE_SECONDS=${TARVEX_WINDOWS_WINE_SECONDS:-300}
TEST_SECONDS=${TARVEX_WINDOWS_TEST_SECONDS:-120}

# Whether the kernel runs 32-bit x86 Linux programs: a 96-byte static one
# that only exits with 42. It needs no loader nor library, so a fresh machine
# can tell before anything of the i386 architecture is installed. It is
# written below build/ because /tmp may forbid executing.
runs_32bit_programs() {
  local probe=build/probe-i386 rc=0
  mkdir -p build
  local elf='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
  elf+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
  elf+='\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00'
  elf+='\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80'
  printf '%b' "$elf" >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [[ $rc -eq 42 ]]
}

way=${TARVEX_WINDOWS_WAY:-}
case $way in
  32 | 64) why="TARVEX_WINDOWS_WAY=$way" ;;
  "")
    runs32=${TARVEX_WINDOWS_RUNS_32BIT:-}
    if [[ -z $runs32 ]]; then
      runs32=no
      runs_32bit_programs && runs32=yes
    fi
    if [[ $runs32 == yes ]]; then
      way=32 why="this machine runs 32-bit programs"
    else
      way=64 why="this machine cannot run 32-bit programs"
    fi
    ;;
  *)
    echo "TARVEX_WINDOWS_WAY must be 32 or 64, not \"$way\"" >&2
    exit 2
    ;;
esac

# Undoes what the failed 32-bit way left: the i386 packages half installed
# (dpkg keeps an architecture that still has any), then the architecture.
remove_i386() {
  local leftovers
  leftovers=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' 2>/dev/null |
    awk '$1 ~ /:i386$/ && substr($2, 2, 1) != "n" {print $1}' || true)
  if [[ -n $leftovers ]]; then
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo "${TARVEX_APT[@]}" purge -y -qq $leftovers >/dev/null 2>&1 ||
      echo "warning: could not purge the i386 packages: "$leftovers >&2
  fi
  $sudo dpkg --remove-architecture i386 ||
    echo "warning: the i386 architecture stays; apt-get update may fail on its indices" >&2
}

if [[ $way == 32 ]]; then
  # wine32 lives in the i386 architecture, which a fresh machine lacks.
  added_i386=no
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for wine32"
    $sudo dpkg --add-architecture i386
    added_i386=yes
    tarvex_apt_update
  fi
  if tarvex_install_packages g++-mingw-w64-i686-posix wine wine32 xvfb xauth; then
    echo "windows: tests under wine32 on the mingw32 build ($why)"
    tested_preset=mingw32
  else
    [[ $added_i386 == yes ]] && remove_i386
    if [[ -n ${TARVEX_WINDOWS_WAY:-} ]]; then
      echo "windows: the 32-bit way ($why) cannot be installed: ${TARVEX_UNINSTALLABLE[*]}" >&2
      exit 1
    fi
    why="$why, but ${TARVEX_UNINSTALLABLE[*]} cannot be installed"
    way=64
  fi
fi
if [[ $way == 64 ]]; then
  if ! tarvex_install_packages g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 xvfb xauth; then
    echo "windows: neither way can be installed ($why; the 64-bit way lacks ${TARVEX_UNINSTALLABLE[*]})" >&2
    exit 1
  fi
  echo "windows: tests under wine64 on the mingw64 build, mingw32 built and its imports checked ($why)"
  tested_preset=mingw64
fi
[[ ${TARVEX_WINDOWS_DECIDE_ONLY:-} == 1 ]] && exit 0
installed=$SECONDS
status=0
phases=("install $((installed - start))")

# Runs a Wine step with what is left of the Wine phase's time; a step that
# outlives it fails the whole script rather than holding the machine.
deadline=0
with_wine() {
  local left=$((deadline - SECONDS))
  if ((left <= 0)) || ! timeout --kill-after=10 "$left" "$@"; then
    ((SECONDS < deadline)) || echo "windows: Wine's ${WINE_SECONDS}s ran out during: $*" >&2
    return 1
  fi
}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
unset WAYLAND_DISPLAY

# Nothing but Windows' own DLLs beside our programs.
checked=0
check_imports() {
  local build=$1 objdump=$2 binary dll deps
  for binary in "$build"/tests/*.exe "$build"/checkcon/*.exe "$build"/checkwin/*.exe "$build"/tools/*.exe "$build"/standin/*.dll \
    "$build"/standin/*/*.dll "$build"/driver/*.dll; do
    [[ -e $binary ]] || continue
    checked=$((checked + 1))
    # The stand-ins are bound by the real libraries' undecorated names.
    if [[ $binary == */standin/* || $binary == */driver/* ]] &&
      "$objdump" -p "$binary" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -q '@'; then
      echo "$binary exports decorated names"
      status=1
    fi
    deps=$("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    for dll in $deps; do
      case $dll in
        kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll | gdi32.dll | shell32.dll | ole32.dll | ws2_32.dll | \
          comctl32.dll | comdlg32.dll | setupapi.dll | winmm.dll | winspool.drv | version.dll | api-ms-win-*) ;;
        *)
          echo "$binary depends on $dll"
          status=1
          ;;
      esac
    done
  done
}

build_preset() {
  local preset=$1 began=$SECONDS
  cmake --preset "$preset" >/dev/null || return 1
  cmake --build --preset "$preset" -j "$JOBS" || return 1
  phases+=("build $preset $((SECONDS - began))")
}

# The tests run when the build they need stands, whatever else failed.
tested_built=yes
build_preset mingw32 || { status=1 tested_built=no; }
check_imports build/mingw32 i686-w64-mingw32-objdump
if [[ $way == 64 ]]; then
  tested_built=yes
  build_preset mingw64 || { status=1 tested_built=no; }
  check_imports build/mingw64 x86_64-w64-mingw32-objdump
fi

build=build/$tested_preset
export WINEPREFIX=$PWD/$build/wineprefix
if [[ $way == 32 ]]; then
  wine=wine wineserver=wineserver
else
  # Debian keeps the 64-bit loader out of PATH; the toolchain file found it.
  wine=$(sed -n 's/^TARVEX_WINE:FILEPATH=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
  wine=${wine:-wine64}
  wineserver=$(dirname "$wine")/wineserver
  [[ -x $wineserver ]] || wineserver=wineserver
fi

if [[ $tested_built == yes ]]; then
  began=$SECONDS
  deadline=$((began + WINE_SECONDS))
  # Create the prefix once, before the tests start in parallel.
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    with_wine "$wine" wineboot --init >/dev/null 2>&1 || true
    with_wine "$wineserver" -w || true
  fi
  with_wine ctest --preset "$tested_preset" -j "$JOBS" --timeout "$TEST_SECONDS" || status=1
  phases+=("tests $tested_preset $((SECONDS - began))")
fi

timeout 20 "$wineserver" -k 2>/dev/null || true
echo "windows: $checked binaries checked for imports; seconds: ${phases[*]/%/,} total $((SECONDS - start))"
exit $status
