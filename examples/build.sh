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
#
# The loader's fixtures: portrw.{hex,bin} (as31), copies of it made by
# srec_cat (leading extended-address record, bank 1, start address, OMF),
# asmforms_obs200.hex (records of 200 bytes), bigtable.{hex,omf,cdb} (one
# OMF content record of 10,004 bytes), banked.{hex,cdb} (a banked link:
# code in bank 1 through an extended linear address record; SDCC writes no
# OMF file for it) and avrnop.hex (avra: a leading segment record, CR LF).
set -euo pipefail
cd "$(dirname "$0")"
src=$PWD/src
out=$PWD/build

for tool in sdcc as31 srec_cat avra; do
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

# A float (least significant byte first) and a long held in registers
# inside one function only.
sdcc_program floats "" "" floats

# as31 writes <name>.hex and <name>.lst next to its input.
mkdir -p "$work/asm"
for program in asmforms opcodes calls regs; do
  cp "$src/$program.asm" "$work/asm/"
  (cd "$work/asm" && as31 -l -Fhex "$program.asm" >/dev/null 2>&1) || { echo "build.sh: as31 failed on $program" >&2; exit 1; }
  cp "$work/asm/$program.hex" "$work/asm/$program.lst" "$out/"
done

sdcc_program bigtable "" "" bigtable

# A banked link: banked_far.c goes to BANK1 at linear 0x18000.
dir=$work/banked
mkdir -p "$dir"
cp "$src"/banked.c "$src"/banked_far.c "$dir"/
(cd "$dir" && sdcc --debug -c banked.c && sdcc --debug --codeseg BANK1 -c banked_far.c &&
  sdcc --debug -Wl-bBANK1=0x18000 -Wl-r -o banked.ihx banked.rel banked_far.rel)
cp "$dir/banked.ihx" "$out/banked.hex"
cp "$dir/banked.cdb" "$out/"

cp "$src/portrw.asm" "$work/asm/"
(cd "$work/asm" && as31 -Fbin portrw.asm >/dev/null 2>&1 && as31 -l -Fhex portrw.asm >/dev/null 2>&1) ||
  { echo "build.sh: as31 failed on portrw" >&2; exit 1; }
cp "$work/asm/portrw.hex" "$work/asm/portrw.bin" "$out/"
(cd "$out" &&
  srec_cat portrw.hex -intel -o portrw_srec.hex -intel &&
  srec_cat portrw.hex -intel -offset 0x10000 -o portrw_bank1.hex -intel &&
  srec_cat portrw.hex -intel -execution-start-address=0 -o portrw_start.hex -intel &&
  srec_cat asmforms.hex -intel -o asmforms_obs200.hex -intel -obs=200 &&
  srec_cat portrw.hex -intel -o portrw.omf -aomf &&
  srec_cat portrw.hex -intel -execution-start-address=0 -o portrw_end.omf -aomf)

cp "$src/avrnop.asm" "$work/asm/"
(cd "$work/asm" && avra avrnop.asm >/dev/null 2>&1) || { echo "build.sh: avra failed on avrnop" >&2; exit 1; }
cp "$work/asm/avrnop.hex" "$out/"

echo "Rebuilt: $(cd "$out" && ls | tr '\n' ' ')"
