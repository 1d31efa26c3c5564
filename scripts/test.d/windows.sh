#!/usr/bin/env bash
# The 32-bit Windows build: cross-compiles the mingw32 preset and runs its
# tests under Wine, in a Wine prefix of its own inside the build folder and
# without a display. Installs the cross compiler and Wine when missing.
# Run by scripts/test.sh; runs on its own too.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/deps.sh

start=$SECONDS
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"

# wine32 lives in the i386 architecture, which a fresh machine lacks.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture for wine32"
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
fi
tarvex_install_packages g++-mingw-w64-i686-posix wine wine32
installed=$SECONDS

JOBS=${JOBS:-$(nproc)}
build=build/mingw32
export WINEPREFIX=$PWD/$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
unset WAYLAND_DISPLAY

cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 -j "$JOBS"
built=$SECONDS

# Create the prefix once, before the tests start in parallel.
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi

status=0
ctest --preset mingw32 -j "$JOBS" || status=1
tested=$SECONDS

# Nothing but Windows' own DLLs beside our programs.
checked=0
for binary in "$build"/tests/*.exe "$build"/checkcon/*.exe "$build"/tools/*.exe "$build"/standin/*.dll \
  "$build"/standin/*/*.dll "$build"/driver/*.dll; do
  [[ -e $binary ]] || continue
  checked=$((checked + 1))
  deps=$(i686-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $deps; do
    case $dll in
      kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll | gdi32.dll | shell32.dll | ole32.dll | ws2_32.dll | \
        comdlg32.dll | setupapi.dll | winmm.dll | api-ms-win-*) ;;
      *)
        echo "$binary depends on $dll"
        status=1
        ;;
    esac
  done
done

wineserver -k 2>/dev/null || true
echo "windows: $checked binaries checked for imports; seconds: install $((installed - start))," \
  "build $((built - installed)), tests $((tested - built)), total $((SECONDS - start))"
exit $status
