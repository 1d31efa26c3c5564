#!/usr/bin/env bash
# Builds the release preset and runs the main job: a debug session of a
# bundled example on the simulated board, through the driver library, then
# the checker on the same example.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvex_install_packages
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

# A work folder with a stand-in installation root and settings of its own.
work=$(mktemp -d)
build/release/tools/tarvex-sim --make-root "$work/root" >/dev/null
mkdir -p "$work/config" "$work/project"
echo "Debug session of examples/build/ports.omf on the simulated board (work folder $work/project)"
TARVEX_ROOT="$work/root" TARVEX_CONFIG_HOME="$work/config" TARVEX_UI=console \
  LD_LIBRARY_PATH="$PWD/build/release/standin:$PWD/build/release/driver" \
  build/release/tools/tarvex-host --var EXAMPLES="$PWD/examples/build" --work "$work/project" \
  examples/session/ports.tvs 2>&1

if [[ -x build/release/checkcon/QzChecker ]]; then
  # The checker writes its corrected HEX file beside the input: work on a copy.
  cp examples/build/ports.omf "$work/"
  echo "Checking examples/build/ports.omf (corrected HEX in $work)"
  checker=$PWD/build/release/checkcon/QzChecker
  cd "$work" && "$checker" ports.omf 8051 LVL1 KEIL REGBANK1 </dev/null
else
  build/release/tools/tarvex-msg 67 3 0x12ab
fi
