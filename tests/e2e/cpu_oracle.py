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

Where s51 departs from the data sheet and the core follows the data sheet
(docs/board-protocol.md lists them), a short program shows each departure:
its comparison must find exactly that difference and no other.

    cpu_oracle.py --tool build/dev/tools/tarvex-cpu --examples examples/build [--steps 5000]
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile

PROGRAMS = ("ports", "hooks", "hooks_old", "asmforms", "opcodes")
TICKS_PER_CYCLE = 12
MODELLED_SFRS = {
    0x80: "P0", 0x81: "SP", 0x82: "DPL", 0x83: "DPH", 0x87: "PCON", 0x88: "TCON", 0x89: "TMOD", 0x8A: "TL0",
    0x8B: "TL1", 0x8C: "TH0", 0x8D: "TH1", 0x90: "P1", 0x98: "SCON", 0xA0: "P2", 0xA8: "IE", 0xB0: "P3",
    0xB8: "IP", 0xD0: "PSW", 0xE0: "ACC", 0xF0: "B"}
REGISTERS = ("PC", "ACC", "B", "PSW", "SP", "DPTR") + tuple("R%d" % i for i in range(8))

# The departures: name, code from 0x0000, s51 steps, and the differences the
# comparison must find (a step's number and the registers that differ there,
# "boundary" where ours has none at s51's cycle; a memory byte or an SFR at
# the end).
DEPARTURES = (
    # SETB PSW.3 selects register bank 1; s51 stays in bank 0, so its INC R0
    # increments 0x00, ours 0x08.
    ("bank", [0xD2, 0xD3,               # setb psw.3
              0x08,                     # inc r0
              0x80, 0xFE], 3,           # sjmp $
     {("step", 2, ("R0",)), ("step", 3, ("R0",)), ("iram", 0x00), ("iram", 0x08)}),
    # MOVC A,@A+DPTR at 0xFFFF + 1 wraps to 0x0000 (0x90, the first opcode);
    # s51 reads 0x10000, which holds nothing.
    ("movc_wrap", [0x90, 0xFF, 0xFF,    # mov dptr,#0xffff
                   0x74, 0x01,          # mov a,#1
                   0x93,                # movc a,@a+dptr
                   0x80, 0xFE], 4,      # sjmp $
     {("step", 3, ("ACC",)), ("step", 4, ("ACC",)), ("sfr", "ACC")}),
    # P follows ACC: MOV A,ACC recomputes it after a write to PSW cleared
    # it; s51 keeps the written P.
    ("parity_mov_a_acc", [0x74, 0x01,         # mov a,#1
                          0x75, 0xD0, 0x00,   # mov psw,#0
                          0xE5, 0xE0,         # mov a,acc
                          0x80, 0xFE], 4,     # sjmp $
     {("step", 3, ("PSW",)), ("step", 4, ("PSW",)), ("sfr", "PSW")}),
    # A push past SP 0xFF wraps to 0x00 in both; s51 reports a stack
    # overflow and leaves the push's two cycles out of its count, so its
    # next stop falls between two boundaries of ours.
    ("sp_wrap", [0x75, 0x81, 0xFF,      # mov sp,#0xff
                 0x74, 0x5A,            # mov a,#0x5a
                 0xC0, 0xE0,            # push acc
                 0x04,                  # inc a
                 0x80, 0xFE], 6,        # sjmp $
     {("step", 3, ("boundary",))}),
)

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


def intel_hex(code):
    lines = []
    for at in range(0, len(code), 16):
        record = [len(code[at:at + 16]), at >> 8, at & 0xFF, 0] + code[at:at + 16]
        lines.append(":" + "".join("%02X" % b for b in record) + "%02X" % (-sum(record) & 0xFF))
    return "\n".join(lines + [":00000001FF"]) + "\n"


def compare(tool, hex_path, steps, coverage=False):
    """The number of s51 stops, its machine cycles and the differences, each
    as (key, text)."""
    name = os.path.splitext(os.path.basename(hex_path))[0]
    stops, theirs = run_s51(hex_path, steps)
    final = stops[-1][0] if stops else 0
    boundaries, ours, covered = run_ours(tool, hex_path, steps, final, coverage=coverage)
    diffs = []
    for number, (cycles, state, rest) in enumerate(stops, 1):
        mine = boundaries.get(cycles)
        wrong = [r for r in REGISTERS if r in state and (mine is None or mine[r] != state[r])]
        if rest or wrong:
            key = ("step", number, ("boundary",) if mine is None else tuple(wrong) + (("ticks",) if rest else ()))
            diffs.append((key, "%s step %d at cycle %d: s51 %s%s; ours %s" % (
                name, number, cycles, show(state), " (%d odd ticks)" % rest if rest else "", show(mine))))
    for label, base, a, b in (("iram", 0, theirs[0], ours[0]), ("xram", 0, theirs[2], ours[2])):
        for address, (x, y) in enumerate(zip(a, b)):
            if x != y:
                diffs.append(((label, base + address),
                              "%s end: %s %04X s51 %02X, ours %02X" % (name, label, base + address, x, y)))
        if len(a) != len(b):
            diffs.append(((label, "size"),
                          "%s end: %s has %d bytes in s51, %d in ours" % (name, label, len(a), len(b))))
    for address, sfr in sorted(MODELLED_SFRS.items()):
        x, y = theirs[1][address - 0x80], ours[1][address - 0x80] if len(ours[1]) == 128 else None
        if x != y:
            diffs.append((("sfr", sfr), "%s end: SFR %s (%02X) s51 %02X, ours %s" % (
                name, sfr, address, x, "missing" if y is None else "%02X" % y)))
    if coverage and covered != 255:
        diffs.append((("coverage",), "%s: %s of the 255 defined opcodes executed" % (name, covered)))
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
    with tempfile.TemporaryDirectory() as folder:
        jobs = [(name, os.path.join(args.examples, name + ".hex"), args.steps, None) for name in args.programs]
        for name, code, steps, expected in DEPARTURES:
            path = os.path.join(folder, name + ".hex")
            with open(path, "w") as f:
                f.write(intel_hex(code))
            jobs.append((name, path, steps, expected))
        with concurrent.futures.ThreadPoolExecutor(max_workers=len(jobs)) as pool:
            results = list(pool.map(lambda job: (job, compare(args.tool, job[1], job[2], job[0] == "opcodes")), jobs))
    for (name, _, _, expected), (stops, cycles, diffs) in results:
        found = {key for key, _ in diffs}
        unexpected = [text for key, text in diffs if expected is None or key not in expected]
        missing = sorted(str(key) for key in (expected or set()) - found)
        for item in unexpected:
            print(item)
        for key in missing:
            print("%s: the departure %s is missing" % (name, key))
        if expected is None:
            print("%s: %d s51 steps, %d machine cycles, %d differences" % (name, stops, cycles, len(diffs)))
        else:
            print("%s: %d s51 steps, %d machine cycles, %d expected differences, %d others, %d missing" % (
                name, stops, cycles, len(diffs) - len(unexpected), len(unexpected), len(missing)))
        failed += 1 if unexpected or missing else 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
