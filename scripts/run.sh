#!/usr/bin/env bash
# Builds the release preset and runs the main job on the bundled default.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvex_install_packages
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
if [[ -x build/release/checkcon/QzChecker ]]; then
  work=$(mktemp -d)
  cp examples/build/ports.omf "$work/" 2>/dev/null || cp examples/build/*.omf "$work/"
  echo "Checking $(ls "$work") (output in $work)"
  cd "$work" && "$OLDPWD/build/release/checkcon/QzChecker" "$(ls "$work" | head -1)" /W </dev/null
else
  build/release/tools/tarvex-msg 67 3 0x12ab
fi
