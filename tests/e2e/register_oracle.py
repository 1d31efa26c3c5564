#!/usr/bin/env python3
"""The registers a debug session shows are the target's.

Each program runs through the stand-in IDE host (tools/tarvex-host), the
driver library and the simulated board behind the stand-in D2XX library to a
series of breakpoints. At the reset and at every halt, every register of the
register view (r0-r7 of the current bank, acc, b, sp, dptr, PC, psw and its
fields), the block of AG_AllReg and every SFR the core models (the list of
cpu_oracle.py, read through the SFR memory) must equal the state of the
simulator's 8051 core (tools/tarvex-cpu) at that instruction. Then each
register is written as the register window writes it, the target steps over
a NOP, and every register must read back as written.

    register_oracle.py --host H --cpu C --sim S --libdirs D1:D2 --examples E --work W
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cpu_oracle import MODELLED_SFRS  # noqa: E402

REGISTERS = ("PC", "ACC", "B", "PSW", "SP", "DPTR") + tuple("R%d" % i for i in range(8))
VIEW = {"acc": "ACC", "b": "B", "sp": "SP", "dptr": "DPTR", "PC  $": "PC", "psw": "PSW"}
VIEW.update({"r%d" % i: "R%d" % i for i in range(8)})
PSW_FIELDS = {"p": (0x01, 0), "f1": (0x02, 1), "ov": (0x04, 2), "rs": (0x18, 3), "f0": (0x20, 5),
              "ac": (0x40, 6), "cy": (0x80, 7)}
SFR_NAMES = {name: address for address, name in MODELLED_SFRS.items()}

# Values the driver serves from an image of its own instead of the target's:
# none while the pellunar port mode is off (the mode of these sessions).
FROM_IMAGE = set()

# The programs: a HEX file and its breakpoints in the order they are met.
# A name is a label of the program's listing; a number picks the PC the core
# reaches after that many instructions from the reset.
PROGRAMS = {
    "regs": ["stop1", "stop2", "stop3", "loop", "loop", "stop4"],
    "ports": [60, 400, 1500],
    "calls": [12, 40, 90],
    "hooks": [25, 300],
}
# The program whose last stop is a NOP in front of another: the registers are
# written there and read back after one step.
WRITE_PROGRAM = "regs"
# Written in this order: PSW first, so that R0-R7 land in the bank it selects.
WRITES = [("psw", 0x10), ("r0", 0x81), ("r1", 0x92), ("r2", 0xA3), ("r3", 0xB4), ("r4", 0xC5), ("r5", 0xD6),
          ("r6", 0xE7), ("r7", 0xF8), ("acc", 0x5A), ("b", 0x3C), ("sp", 0x44), ("dptr", 0xCAFE)]
# SFRs beyond the view, written through the SFR memory: TCON first, which
# stops the timers the program started; none starts an interrupt or the
# serial port.
SFR_WRITES = {"TCON": 0x05, "TMOD": 0x12, "TL0": 0x11, "TH0": 0x22, "TL1": 0x33, "TH1": 0x44, "SCON": 0x40, "IE": 0x05,
              "IP": 0x0A, "P1": 0x96, "P3": 0x69, "PCON": 0x0C}


def parity(value):
    return bin(value).count("1") & 1


def labels(listing):
    found = {}
    with open(listing) as f:
        for line in f:
            m = re.match(r"^([0-9A-Fa-f]{4}):[ 0-9A-Fa-f]*\s+(\w+):", line)
            if m:
                found[m.group(2)] = int(m.group(1), 16)
    return found


def trace_pcs(cpu, hex_path, steps):
    out = subprocess.run([cpu, hex_path, str(steps)], capture_output=True, text=True, check=True).stdout
    return [int(line.split()[1], 16) for line in out.splitlines() if line.split()[0].isdigit()]


def core_halts(cpu, hex_path, breaks):
    """The core's state at the reset and at each halt: registers and SFRs."""
    out = subprocess.run([cpu, hex_path, "1"], capture_output=True, text=True, check=True).stdout
    reset = parse_core(out.splitlines()[:1] + [l for l in out.splitlines() if l.startswith(("sfr", "iram"))][:24])
    args = [cpu] + sum([["--break", "%04X" % b] for b in breaks], []) + [hex_path, "200000"]
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    halts = []
    chunk = []
    for line in out.splitlines():
        if line.startswith("halt ") and chunk:
            halts.append(parse_core(chunk))
            chunk = []
        chunk.append(line[5:] if line.startswith("halt ") else line)
    if chunk:
        halts.append(parse_core(chunk))
    return reset, halts


def parse_core(lines):
    state = dict(zip(REGISTERS, [int(x, 16) for x in lines[0].split()[1:]]))
    sfr = {}
    for line in lines[1:]:
        fields = line.split()
        if fields[0] == "sfr":
            base = int(fields[1], 16)
            for i, x in enumerate(fields[2:]):
                sfr[base + i] = int(x, 16)
    return state, sfr


def session_script(hex_path, breaks, write):
    lines = ["setting Interface Port USB", "setting Interface TimeoutReadWrite 1000",
             'sim add-device 12345 "TARVEX Emulator"', "project ${WORK} oracle program " + hex_path,
             "start", "load " + hex_path, "reset", "regs", "mem sfr 0x80 128"]
    for i, address in enumerate(breaks):
        if i == 0 or breaks[i - 1] != address:
            lines.append("break 0x%04X" % address)
        lines += ["go", "regs", "mem sfr 0x80 128"]
        if i + 1 < len(breaks) and breaks[i + 1] != address:
            lines.append("break 0x%04X kill" % address)
    if write:
        lines += ["reg %s 0x%X" % (name, value) for name, value in WRITES]
        lines += ["write sfr 0x%02X 0x%02X" % (SFR_NAMES[name], value) for name, value in SFR_WRITES.items()]
        lines += ["regs", "mem sfr 0x80 128", "step 1", "regs", "mem sfr 0x80 128"]
    lines.append("end")
    return "\n".join(lines) + "\n"


def parse_session(out):
    """Each regs step with the SFR read after it: (view, block, sfr)."""
    reads = []
    view = block = None
    lines = out.splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        if line == "> regs":
            view, i = {}, i + 1
            m = re.match(r"AG_AllReg\(1\) = 0:((?: [0-9A-F]{2}){26})$", lines[i])
            if not m:
                raise RuntimeError("AG_AllReg failed: " + lines[i])
            block = [int(x, 16) for x in m.group(1).split()]
            i += 1
            while i < len(lines) and not lines[i].startswith(">"):
                m = re.match(r"^~?(.+?) (0x[0-9A-F]+|[0-9A-F]+)\s*\*?\s*$", lines[i])
                if m:
                    view[m.group(1)] = int(m.group(2), 16)
                i += 1
            continue
        if line == "> mem sfr 0x80 128":
            if not lines[i + 1].startswith("AG_MemAcc = 0"):
                raise RuntimeError("SFR read failed: " + lines[i + 1])
            sfr = {}
            for row in lines[i + 2:i + 10]:
                fields = row.replace(":", "").split()
                for k, x in enumerate(fields[1:]):
                    sfr[int(fields[0], 16) + k] = int(x, 16)
            reads.append((view, block, sfr))
            i += 10
            continue
        i += 1
    return reads


def compare(where, expected, sfr_expected, read):
    view, block, sfr = read
    diffs = []

    def check(what, got, want):
        if got != want:
            diffs.append("%s: %s reads %X, the core holds %X" % (where, what, got, want))

    for name, register in VIEW.items():
        check("view " + name, view.get(name, -1), expected[register])
    for name, (mask, shift) in PSW_FIELDS.items():
        check("view psw field " + name, view.get(name, -1), (expected["PSW"] & mask) >> shift)
    for n in range(8):
        check("AG_AllReg R%d" % n, block[n], expected["R%d" % n])
    check("AG_AllReg PC", block[16] | block[17] << 8, expected["PC"])
    for at, register in ((20, "SP"), (21, "PSW"), (22, "B"), (23, "ACC")):
        check("AG_AllReg " + register, block[at], expected[register])
    check("AG_AllReg DPTR", block[24] | block[25] << 8, expected["DPTR"])
    for address, name in sorted(MODELLED_SFRS.items()):
        if name in FROM_IMAGE:
            continue
        check("SFR %s (%02X)" % (name, address), sfr[address], sfr_expected[address])
    return diffs


def run_program(args, name, breaks, write):
    hex_path = os.path.join(args.examples, name + ".hex")
    work = os.path.join(args.work, name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    root = os.path.join(work, "root")
    subprocess.run([args.sim, "--make-root", root], check=True, capture_output=True)
    script = os.path.join(work, "session.tvs")
    with open(script, "w") as f:
        f.write(session_script(hex_path, breaks, write))
    env = dict(os.environ, TARVEX_ROOT=root, TARVEX_CONFIG_HOME=os.path.join(work, "config"), TARVEX_UI="console",
               LD_LIBRARY_PATH=args.libdirs)
    done = subprocess.run([args.host, "--var", "WORK=" + work, "--work", work, script], env=env,
                          capture_output=True, text=True, timeout=120)
    out = done.stdout + done.stderr
    with open(os.path.join(work, "session.out"), "w") as f:
        f.write(out)
    if done.returncode != 0:
        return ["%s: tarvex-host ended with %d (see %s)" % (name, done.returncode, work)]
    reads = parse_session(out)
    reset, halts = core_halts(args.cpu, hex_path, breaks)
    expected_reads = 1 + len(breaks) + (2 if write else 0)
    if len(reads) != expected_reads:
        return ["%s: %d register reads, expected %d (see %s)" % (name, len(reads), expected_reads, work)]
    diffs = compare("%s after the reset" % name, reset[0], reset[1], reads[0])
    for k, (address, (state, sfr)) in enumerate(zip(breaks, halts)):
        diffs += compare("%s halt %d at %04X" % (name, k + 1, address), state, sfr, reads[1 + k])
    if write:
        # As written, and again after a step over the NOP: PSW's parity
        # follows the new ACC, the PC moves on by one.
        state = dict(halts[-1][0])
        state.update({register: value for register, value in
                      ((VIEW[n], v) for n, v in WRITES)})
        state["PSW"] = (state["PSW"] & 0xFE) | parity(state["ACC"])
        sfr = dict(halts[-1][1])
        sfr.update({SFR_NAMES[n]: v for n, v in SFR_WRITES.items()})
        sfr.update({0xE0: state["ACC"], 0xF0: state["B"], 0x81: state["SP"], 0xD0: state["PSW"],
                    0x82: state["DPTR"] & 0xFF, 0x83: state["DPTR"] >> 8})
        diffs += compare("%s after the writes" % name, state, sfr, reads[-2])
        state["PC"] += 1
        diffs += compare("%s after the writes and a step" % name, state, sfr, reads[-1])
    return diffs


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--host", "--cpu", "--sim", "--libdirs", "--examples", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("programs", nargs="*", default=list(PROGRAMS))
    args = parser.parse_args()
    failed = 0
    for name in args.programs:
        hex_path = os.path.join(args.examples, name + ".hex")
        listing = os.path.join(args.examples, name + ".lst")
        names = labels(listing) if os.path.exists(listing) else {}
        wanted = PROGRAMS[name]
        pcs = trace_pcs(args.cpu, hex_path, max([0] + [n for n in wanted if isinstance(n, int)]))
        breaks = [names[b] if isinstance(b, str) else pcs[b] for b in wanted]
        diffs = run_program(args, name, breaks, name == WRITE_PROGRAM)
        for item in diffs:
            print(item)
        print("%s: %d stops, %d differences" % (name, len(breaks), len(diffs)))
        failed += 1 if diffs else 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
