#!/usr/bin/env bash
# Builds the release preset and runs the main job on the bundled default.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvex_install_packages
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
if [[ -x build/release/checkcon/QzChecker ]]; then
  # The checker writes its corrected HEX file beside the input: work on a copy.
  work=$(mktemp -d)
  cp examples/build/ports.omf "$work/"
  echo "Checking examples/build/ports.omf (corrected HEX in $work)"
  checker=$PWD/build/release/checkcon/QzChecker
  cd "$work" && "$checker" ports.omf 8051 LVL1 KEIL REGBANK1 </dev/null
else
  build/release/tools/tarvex-msg 67 3 0x12ab
fi
