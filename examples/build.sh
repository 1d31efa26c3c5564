#!/usr/bin/env bash
# Rebuilds the example programs into examples/build/ with SDCC and as31.
# The outputs are committed, so the tests never need these tools; run
# this only after changing a source in examples/src/.
#
# For every SDCC program, build/ gets <program>.hex (the Intel HEX that
# sdcc writes as .ihx), <program>.omf (the absolute OMF-51 file that
# `sdcc --debug` writes beside it), <program>.cdb (SDCC's debug file),
# <program>.map, and a .lst and a .rst listing per module.  For the as31
# programs it gets <program>.hex and <program>.lst.
set -euo pipefail
cd "$(dirname "$0")"
src=$PWD/src
out=$PWD/build

for tool in sdcc as31; do
  command -v "$tool" >/dev/null || { echo "build.sh: $tool is missing (apt-get install $tool)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"

# Compiles and links one SDCC program in its own folder so that paths in
# the listings and debug files stay relative (the same on every machine).
#   sdcc_program <program> "<cflags>" "<link flags>" <module>[:<codeseg>]...
# A module is <module>.c, or <module>.s for the assembler.  The module
# that defines a global must come before those that declare it: the OMF
# file takes a global symbol from the first module that names it.
sdcc_program() {
  local program=$1 cflags=$2 lflags=$3
  shift 3
  local dir=$work/$program rels=() entry module seg
  mkdir -p "$dir"
  cp "$src"/*.c "$src"/*.h "$src"/*.s "$dir"/
  for entry in "$@"; do
    module=${entry%%:*}
    seg=
    [[ $entry == *:* ]] && seg="--codeseg ${entry#*:}"
    if [[ -e $src/$module.s ]]; then
      (cd "$dir" && sdas8051 -plosgff "$module.s")
    else
      # shellcheck disable=SC2086
      (cd "$dir" && sdcc --debug $cflags $seg -c "$module.c")
    fi
    rels+=("$module.rel")
  done
  # shellcheck disable=SC2086
  (cd "$dir" && sdcc --debug $lflags -o "$program.ihx" "${rels[@]}")
  cp "$dir/$program.ihx" "$out/$program.hex"
  cp "$dir/$program.omf" "$dir/$program.cdb" "$dir/$program.map" "$out/"
  for entry in "$@"; do
    module=${entry%%:*}
    local name=$program
    [[ $module != "$program" ]] && name=$program.$module
    cp "$dir/$module.lst" "$out/$name.lst"
    cp "$dir/$module.rst" "$out/$name.rst"
  done
}

sdcc_program ports "" "" ports

sdcc_program hooks "-DNEW_ENTRIES" "-Wl-bHOOKP0=0xFFA0 -Wl-bHOOKP2=0xFFC0" \
  areas hookent_new_p0:HOOKP0 hookent_new_p2:HOOKP2 hooks

# The same program for the old entries.
sdcc_program hooks_old "" "-Wl-bHOOKOLD=0xFFF4" areas hookent_old:HOOKOLD hooks

# Structures, unions, bit fields, arrays, pointers and register locals in
# the debug file; the helper module defines a global, so it comes first.
sdcc_program types "" "" types_helper types

# as31 writes <name>.hex and <name>.lst next to its input.
mkdir -p "$work/asm"
for program in asmforms opcodes calls; do
  cp "$src/$program.asm" "$work/asm/"
  (cd "$work/asm" && as31 -l -Fhex "$program.asm" >/dev/null 2>&1) || { echo "build.sh: as31 failed on $program" >&2; exit 1; }
  cp "$work/asm/$program.hex" "$work/asm/$program.lst" "$out/"
done

echo "Rebuilt: $(cd "$out" && ls | tr '\n' ' ')"
