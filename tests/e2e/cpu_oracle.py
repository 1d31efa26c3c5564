#!/usr/bin/env python3
"""Compares the simulator's 8051 core with s51, the independent 8051
simulator of the Debian package sdcc-ucsim, instruction by instruction.

s51 steps each example program; every stop must meet an instruction boundary
of our core (tools/tarvex-cpu) with the same cumulative machine cycles, the
same PC and the same registers (ACC, B, PSW, SP, DPTR, R0-R7 of the current
bank). At the end internal RAM, external data and the SFRs the core models
must be equal. One s51 step that ends in an accepted interrupt also executes
the first instruction of its service routine; the cycle count keeps the two
in step, as our core gives the acceptance a boundary of its own.

    cpu_oracle.py --tool build/dev/tools/tarvex-cpu --examples examples/build [--steps 5000]
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys

PROGRAMS = ("ports", "hooks", "hooks_old", "asmforms", "opcodes")
TICKS_PER_CYCLE = 12
MODELLED_SFRS = {
    0x80: "P0", 0x81: "SP", 0x82: "DPL", 0x83: "DPH", 0x87: "PCON", 0x88: "TCON", 0x89: "TMOD", 0x8A: "TL0",
    0x8B: "TL1", 0x8C: "TH0", 0x8D: "TH1", 0x90: "P1", 0x98: "SCON", 0xA0: "P2", 0xA8: "IE", 0xB0: "P3",
    0xB8: "IP", 0xD0: "PSW", 0xE0: "ACC", 0xF0: "B"}
REGISTERS = ("PC", "ACC", "B", "PSW", "SP", "DPTR") + tuple("R%d" % i for i in range(8))

STOP = re.compile(r"Stop at 0x([0-9a-fA-F]+): \(\d+\) stepped (\d+) ticks")
REG_VALUES = re.compile(r"^\s+((?:[0-9a-fA-F]{2} ){7}[0-9a-fA-F]{2})\s*$")
ACC_B = re.compile(r"ACC= 0x([0-9a-fA-F]{2}).*B= 0x([0-9a-fA-F]{2})")
PSW = re.compile(r"PSW= 0x([0-9a-fA-F]{2})")
SP = re.compile(r"^SP 0x([0-9a-fA-F]{2})")
DPTR = re.compile(r"DPTR= 0x([0-9a-fA-F]{4})")
DUMP = re.compile(r"^0x([0-9a-fA-F]+) ((?:[0-9a-fA-F]{2} ){7}[0-9a-fA-F]{2}) ")


def run_s51(hex_path, steps):
    """The s51 stops as (cycles, {register: value}) in order, and the
    memories at the end: (iram, sfr from 0x80, xram) as lists of bytes."""
    commands = ["fill iram 0 0xff 0", "fill xram 0 0xffff 0"] + ["step"] * steps + [
        "di 0 0xff", "ds 0x80 0xff", "dx 0 0xffff", "quit"]
    out = subprocess.run(["s51", "-t", "8052", "-b", "-q", hex_path], input="\n".join(commands) + "\n",
                         capture_output=True, text=True, check=True).stdout
    stops = []
    cycles = 0
    state = None
    dumps = []
    for line in out.splitlines():
        m = STOP.search(line)
        if m:
            ticks = int(m.group(2))
            cycles += ticks // TICKS_PER_CYCLE
            state = {"PC": int(m.group(1), 16)}
            stops.append((cycles, state, ticks % TICKS_PER_CYCLE))
            continue
        m = DUMP.match(line)
        if m:
            dumps.append((int(m.group(1), 16), [int(x, 16) for x in m.group(2).split()]))
            continue
        if state is None:
            continue
        m = REG_VALUES.match(line)
        if m and "R0" not in state:
            for i, x in enumerate(m.group(1).split()):
                state["R%d" % i] = int(x, 16)
            continue
        for name, pattern in (("PSW", PSW), ("SP", SP), ("DPTR", DPTR)):
            m = pattern.search(line)
            if m and name not in state:
                state[name] = int(m.group(1), 16)
        m = ACC_B.search(line)
        if m and "ACC" not in state:
            state["ACC"], state["B"] = int(m.group(1), 16), int(m.group(2), 16)
    # di (32 lines), ds (16), dx (8192), in that order.
    if len(dumps) != 32 + 16 + 8192:
        raise RuntimeError("s51 printed %d dump lines, expected %d" % (len(dumps), 32 + 16 + 8192))
    flat = [b for _, row in dumps for b in row]
    return stops, (flat[:256], flat[256:384], flat[384:])


def run_ours(tool, hex_path, steps, until_cycles, coverage=False):
    args = [tool] + (["--coverage"] if coverage else []) + ["--cycles", str(until_cycles), hex_path,
                                                            str(2 * steps + 2)]
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    boundaries = {}
    memories = {"iram": [], "sfr": [], "xram": []}
    covered = None
    for line in out.splitlines():
        fields = line.split()
        if fields[0] in memories:
            memories[fields[0]] += [int(x, 16) for x in fields[2:]]
        elif fields[0] == "coverage":
            covered = int(fields[1])
        elif fields[0] == "missing":
            pass
        else:
            values = [int(x, 16) for x in fields[1:]]
            boundaries[int(fields[0])] = dict(zip(REGISTERS, values))
    return boundaries, (memories["iram"], memories["sfr"], memories["xram"]), covered


def show(state):
    if state is None:
        return "(no instruction boundary at this cycle)"
    return " ".join("%s=%0*X" % (r, 4 if r in ("PC", "DPTR") else 2, state[r]) for r in REGISTERS if r in state)


def compare(tool, examples, name, steps):
    hex_path = os.path.join(examples, name + ".hex")
    stops, theirs = run_s51(hex_path, steps)
    final = stops[-1][0] if stops else 0
    boundaries, ours, covered = run_ours(tool, hex_path, steps, final, coverage=(name == "opcodes"))
    diffs = []
    for number, (cycles, state, rest) in enumerate(stops, 1):
        mine = boundaries.get(cycles)
        wrong = [r for r in REGISTERS if r in state and (mine is None or mine[r] != state[r])]
        if rest or wrong:
            diffs.append("%s step %d at cycle %d: s51 %s%s; ours %s" % (
                name, number, cycles, show(state), " (%d odd ticks)" % rest if rest else "", show(mine)))
    for label, base, a, b in (("iram", 0, theirs[0], ours[0]), ("xram", 0, theirs[2], ours[2])):
        for address, (x, y) in enumerate(zip(a, b)):
            if x != y:
                diffs.append("%s end: %s %04X s51 %02X, ours %02X" % (name, label, base + address, x, y))
        if len(a) != len(b):
            diffs.append("%s end: %s has %d bytes in s51, %d in ours" % (name, label, len(a), len(b)))
    for address, sfr in sorted(MODELLED_SFRS.items()):
        x, y = theirs[1][address - 0x80], ours[1][address - 0x80] if len(ours[1]) == 128 else None
        if x != y:
            diffs.append("%s end: SFR %s (%02X) s51 %02X, ours %s" % (
                name, sfr, address, x, "missing" if y is None else "%02X" % y))
    if name == "opcodes" and covered != 255:
        diffs.append("%s: %s of the 255 defined opcodes executed" % (name, covered))
    return len(stops), final, diffs


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--steps", type=int, default=5000)
    parser.add_argument("programs", nargs="*", default=list(PROGRAMS))
    args = parser.parse_args()
    if shutil.which("s51") is None:
        print("s51 is missing: scripts/deps.sh installs it")
        return 1
    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=len(args.programs)) as pool:
        results = list(pool.map(lambda n: (n, compare(args.tool, args.examples, n, args.steps)), args.programs))
    for name, (stops, cycles, diffs) in results:
        for item in diffs:
            print(item)
        print("%s: %d s51 steps, %d machine cycles, %d differences" % (name, stops, cycles, len(diffs)))
        failed += 1 if diffs else 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
