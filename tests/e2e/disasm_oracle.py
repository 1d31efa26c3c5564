#!/usr/bin/env python3
"""Compares our 8051 disassembler with two independent ones, d52 and dis51.

Every opcode is decoded with several operand bytes at several addresses, and
so is every bundled example program. Both sides are normalised by the rules
in RULES, each of which stands for one difference of notation that is there
by design; after that every instruction must read the same. Any remaining
difference is printed and fails the test.

    disasm_oracle.py --tool build/dev/tools/tarvex-disasm [--examples DIR]
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile

PCS = (0x0000, 0x07FE, 0xFFF0)
RET = 0x22
INC_A = 0x04
OPERANDS = (0x00, 0x7F, 0x80, 0xFF)

FIXED_NAMES = {"A", "AB", "C", "DPTR", "PC", "@A+DPTR", "@A+PC", "@DPTR", "@R0", "@R1"} | {
    "R%d" % i for i in range(8)}


# --- The rules -------------------------------------------------------------
# Each rule takes (mnemonic, operand list, context) of one side's line and
# returns them rewritten. The context knows the instruction's bytes, the
# side's register names and its labels.

def rule_case_and_spacing(mnem, ops, ctx):
    """Upper case; ours pads the mnemonic to 5 and writes "," without a
    blank, d52 uses a tab, dis51 ", "."""
    return mnem.strip().upper(), [o.strip().upper().replace(" ", "") for o in ops if o.strip()]


def rule_undefined_opcode(mnem, ops, ctx):
    """0xA5 is "-----" here, "db 0a5h" in d52 and "DB 85h" in dis51 (which
    prints the byte wrongly)."""
    if ctx["bytes"][0] == 0xA5 and mnem in ("-----", "DB"):
        return "UNDEFINED", []
    return mnem, ops


def rule_labels(mnem, ops, ctx):
    """Code targets: ours prints the address, d52 an address label "Xhhhh"
    (also after "#" for MOV DPTR), dis51 a numbered label "Lnnnn" defined on
    the target's line."""
    out = []
    for o in ops:
        prefix = "#" if o.startswith("#") else ""
        body = o[len(prefix):]
        m = re.fullmatch(r"X([0-9A-F]{4})", body)
        if m and ctx["side"] == "d52":
            body = "0" + m.group(1) + "H"
        m = re.fullmatch(r"L(\d{4})", body)
        if m and ctx["side"] == "dis51":
            address = ctx["labels"].get(body)
            body = "0%04XH" % address if address is not None else "UNRESOLVED_" + body
        out.append(prefix + body)
    return mnem, out


def rule_register_bank_names(mnem, ops, ctx):
    """d52 names direct addresses 0x00-0x1F after the register banks
    ("rb2r5"); we print the address."""
    out = []
    for o in ops:
        m = re.fullmatch(r"RB([0-3])R([0-7])", o)
        out.append("%02XH" % (int(m.group(1)) * 8 + int(m.group(2))) if m else o)
    return mnem, out


def to_number(text):
    """Ours "0ABH", d52 "0abh" or a small decimal "7", dis51 "0ABh"."""
    if re.fullmatch(r"[0-9][0-9A-F]*H", text):
        return int(text[:-1], 16)
    if re.fullmatch(r"0X[0-9A-F]+", text):
        return int(text[2:], 16)
    if re.fullmatch(r"\d+", text):
        return int(text, 10)
    return None


def rule_names_and_numbers(mnem, ops, ctx):
    """SFR and bit names come from different tables (ours from the SFR file,
    here filled with d52's 8052 names; dis51 has its own 8051 set), bits
    below 0x80 are "20H.5" here and in d52 but a raw "5h" in dis51, and the
    number notations differ. Every operand becomes its number: a byte or
    code address, a bit address, or an immediate after "#"."""
    out = []
    for o in ops:
        prefix = ""
        while o[:1] in ("#", "/"):
            prefix += o[0]
            o = o[1:]
        if o in FIXED_NAMES:
            out.append(prefix + o)
            continue
        value = None
        m = re.fullmatch(r"(.+)\.([0-7])", o)
        if m:
            base = to_number(m.group(1))
            if base is None:
                base = ctx["names"].get(m.group(1))
            if base is not None:
                value = (base - 0x20) * 8 + int(m.group(2)) if base < 0x80 else base + int(m.group(2))
        else:
            value = to_number(o)
            if value is None:
                value = ctx["names"].get(o)
        out.append(prefix + ("%X" % value if value is not None else "?" + o))
    return mnem, out


RULES = (rule_case_and_spacing, rule_undefined_opcode, rule_labels, rule_register_bank_names,
         rule_names_and_numbers)


def normalise(mnem, ops, ctx):
    for rule in RULES:
        mnem, ops = rule(mnem, ops, ctx)
    return mnem + " " + ",".join(ops)


# --- Running the tools -----------------------------------------------------

def run(args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw).stdout


def split_instruction(code):
    code = code.strip()
    parts = code.split(None, 1)
    if not parts:
        return None, []
    return parts[0], parts[1].split(",") if len(parts) > 1 else []


def d52_listing(workdir, name, image, base):
    """d52 -d: {address: (mnemonic, operands)}, and the labels it defined."""
    path = os.path.join(workdir, name + ".bin")
    with open(path, "wb") as f:
        f.write(bytes(image))
    # Relative: d52 takes a leading "/" for an option.
    run(["d52", "-b", "-d", name + ".bin", "x%x" % base], cwd=workdir)
    lines = {}
    with open(os.path.join(workdir, name + ".d52"), encoding="latin-1") as f:
        for line in f:
            if ";" not in line or line.startswith(";"):
                continue
            code, comment = line.split(";", 1)
            fields = comment.split()
            if not fields or not re.fullmatch(r"[0-9a-f]{4}", fields[0]):
                continue
            code = re.sub(r"^\w+:", "", code)
            lines[int(fields[0], 16)] = split_instruction(code)
    return lines


def hex_records(segments):
    out = []
    for base, data in segments:
        for i in range(0, len(data), 16):
            chunk = data[i:i + 16]
            address = base + i
            rec = [len(chunk), address >> 8, address & 0xFF, 0] + list(chunk)
            out.append(":" + "".join("%02X" % b for b in rec) + "%02X" % (-sum(rec) & 0xFF))
    out.append(":00000001FF")
    return "\n".join(out) + "\n"


def dis51_listing(segments, entries):
    """dis51 -l with every instruction start as an entry point (so that it
    decodes linearly instead of following the flow):
    {address: (mnemonic, operands)} and {label: address}."""
    text = run(["dis51", "-l"] + [str(e) for e in sorted(set(entries))], input=hex_records(segments))
    lines, labels = {}, {}
    pending = []
    for line in text.splitlines():
        m = re.match(r"^(L\d{4}):", line.strip())
        if m:
            pending.append(m.group(1))
        m = re.match(r"^\s+([0-9A-F]{4}) ([0-9A-F]+)\s+(?:(L\d{4}):)?\s*(.*)$", line)
        if not m:
            continue
        address = int(m.group(1), 16)
        if m.group(3):
            pending.append(m.group(3))
        for label in pending:
            labels[label] = address
        pending = []
        code = m.group(4).split(";", 1)[0]
        lines[address] = split_instruction(code)
    return lines, labels


def probe_d52_names(workdir):
    """d52's built-in 8052 register and bit names, read back from its own
    output for every SFR byte and bit address."""
    names = {}
    image = []
    for a in range(0x80, 0x100):
        image += [0xE5, a]  # MOV A,dir
    for b in range(0x80, 0x100):
        image += [0xC2, b]  # CLR bit
    listing = d52_listing(workdir, "names", image, 0x1000)
    sfrs, bits = [], []
    for i, a in enumerate(range(0x80, 0x100)):
        mnem, ops = listing[0x1000 + 2 * i]
        name = ops[1].strip().upper()
        if to_number(name) is None:
            sfrs.append((name, a))
    for i, b in enumerate(range(0x80, 0x100)):
        mnem, ops = listing[0x1100 + 2 * i]
        name = ops[0].strip().upper()
        if "." not in name and to_number(name) is None:
            bits.append((name, b))
    for name, a in sfrs + bits:
        names[name] = a
    return names, sfrs, bits


def probe_dis51_names():
    names = {}
    image = []
    for a in range(0x80, 0x100):
        image += [0xE5, a]
    for b in range(0x80, 0x100):
        image += [0xC2, b]
    entries = [0x1000 + 2 * i for i in range(256)]
    lines, _ = dis51_listing([(0x1000, image)], entries)
    for i in range(256):
        mnem, ops = lines[0x1000 + 2 * i]
        name = ops[-1].strip().upper()
        value = 0x80 + (i & 0x7F)
        if "." not in name and to_number(name) is None:
            names[name] = value
    return names


def ours_listing(tool, sfr_file, args):
    lines = {}
    for line in run([tool, "--sfr", sfr_file] + args).splitlines():
        address, hexbytes, code = line.split(" ", 2)
        lines[int(address, 16)] = (bytes.fromhex(hexbytes), split_instruction(code))
    return lines


# --- The comparison --------------------------------------------------------

class Differences:
    def __init__(self):
        self.items = []
        self.compared = 0
        self.skipped = {}

    def check(self, where, data, ours, theirs, side, names, labels=None):
        if any(theirs is n for n in NOT_ANSWERED):
            self.skipped[theirs[0]] = self.skipped.get(theirs[0], 0) + 1
            return
        self.compared += 1
        ctx = {"bytes": data, "names": names, "labels": labels or {}, "side": side}
        mine = normalise(ours[0], ours[1], dict(ctx, side="ours", names=OUR_NAMES))
        other = normalise(theirs[0], theirs[1], ctx) if theirs else "(no instruction)"
        if mine != other:
            self.items.append("%s %s: ours %r, %s %r" % (where, data.hex().upper(), mine, side, other))


OUR_NAMES = {}


def matrix_cases():
    for pc in PCS:
        for v in OPERANDS:
            for op in range(256):
                yield pc, v, op


def compare_matrix(tool, sfr_file, workdir, d52_names, dis51_names, diffs):
    cases = list(matrix_cases())
    case_file = os.path.join(workdir, "cases.txt")
    with open(case_file, "w") as f:
        for pc, v, op in cases:
            f.write("%04X %02X %02X %02X %02X\n" % (pc, op, v, v, v))
    ours = run([tool, "--sfr", sfr_file, "--cases", case_file]).splitlines()
    assert len(ours) == len(cases)

    def one(index):
        pc, v, op = cases[index]
        address, hexbytes, code = ours[index].split(" ", 2)
        data = bytes.fromhex(hexbytes)
        image = [op, v, v, v]
        name = "c%d" % index
        # An instruction that flows into pc keeps d52 from taking a 0x00 or
        # 0xFF opcode for padding (see D52_PADDING); at address 0 there is
        # no room for it.
        if pc > 0:
            d52 = d52_listing(workdir, name, [INC_A] + image, pc - 1).get(pc)
        else:
            d52 = d52_listing(workdir, name, image, pc).get(pc)
            if d52 is None and op in (0x00, 0xFF):
                d52 = D52_PADDING
        # dis51 follows the flow, into empty memory too (where it can
        # crash), so a RET ends the code. It also needs the target's own
        # line to define its label: a RET there, at the address d52 found (a
        # wrong target then stays unresolved).
        segments = [(pc, image[:len(data)] + ([RET] if pc + len(data) <= 0xFFFF else []))]
        entries = [pc]
        target = code_target(d52)
        if wraps_around(d52, pc, target):
            return data, split_instruction(code), d52, DIS51_NO_WRAP, {}
        if target is not None and pc < target < pc + len(data):
            return data, split_instruction(code), d52, DIS51_INSIDE, {}
        if target is not None and not pc <= target <= pc + len(data):
            segments.append((target, [RET]))
            entries.append(target)
        dis51, labels = dis51_listing(segments, entries)
        return data, split_instruction(code), d52, dis51.get(pc), labels

    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 4) as pool:
        for index, (data, mine, d52, dis51, labels) in enumerate(pool.map(one, range(len(cases)))):
            pc, v, op = cases[index]
            where = "%04X" % pc
            diffs.check(where, data, mine, d52, "d52", d52_names)
            diffs.check(where, data, mine, dis51, "dis51", dis51_names, labels)


# Where an oracle cannot answer, by class of instruction; the line is then
# compared with the other oracle only.
#
# d52 takes 0x00 and 0xFF bytes where no code flows in (at the start of an
# image, after a return or a jump) for padding of erased or empty memory,
# and leaves them out. Both are one-byte instructions, so the decoding that
# follows stays in step.
D52_PADDING = ("(d52: padding)", [])
# dis51 computes relative targets without wrapping at the ends of the
# 64 KiB space: it reads outside its memory image there, and prints garbage
# or crashes.
DIS51_NO_WRAP = ("(dis51: relative target wraps)", [])
# dis51 defines a label only on a line of its own: a target inside an
# instruction's bytes (its own or another's) stays an undefined "Lnnnn".
DIS51_INSIDE = ("(dis51: target inside an instruction)", [])
NOT_ANSWERED = (D52_PADDING, DIS51_NO_WRAP, DIS51_INSIDE)
RELATIVE = {"SJMP", "JC", "JNC", "JZ", "JNZ", "JB", "JNB", "JBC", "CJNE", "DJNZ"}


def wraps_around(d52, pc, target):
    return d52 is not None and target is not None and d52[0].upper() in RELATIVE and abs(target - pc) > 0x1000


def code_target(d52):
    if d52 is None:
        return None
    for o in d52[1]:
        m = re.fullmatch(r"#?X([0-9a-f]{4})", o.strip())
        if m and not o.strip().startswith("#"):
            return int(m.group(1), 16)
    return None


def read_intel_hex(path):
    """Contiguous segments of an Intel HEX file."""
    memory = {}
    upper = 0
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line.startswith(":"):
                continue
            rec = bytes.fromhex(line[1:])
            count, address, kind = rec[0], rec[1] << 8 | rec[2], rec[3]
            if kind == 0:
                for i in range(count):
                    memory[upper + address + i] = rec[4 + i]
            elif kind == 4:
                upper = (rec[4] << 8 | rec[5]) << 16
    segments = []
    for address in sorted(a for a in memory if a <= 0xFFFF):
        if segments and segments[-1][0] + len(segments[-1][1]) == address:
            segments[-1][1].append(memory[address])
        else:
            segments.append((address, [memory[address]]))
    return segments


def compare_examples(tool, sfr_file, workdir, examples, d52_names, dis51_names, diffs):
    files = sorted(f for f in os.listdir(examples) if f.endswith(".hex")) if os.path.isdir(examples) else []
    for name in files:
        segments = read_intel_hex(os.path.join(examples, name))
        memory = {}
        ours, d52 = {}, {}
        for index, (base, data) in enumerate(segments):
            image_path = os.path.join(workdir, "ex.bin")
            with open(image_path, "wb") as f:
                f.write(bytes(data))
            for address, (raw, mine) in ours_listing(tool, sfr_file, ["--image", image_path, "%X" % base]).items():
                # The last instruction of a segment may read past its end.
                if address - base + len(raw) <= len(data):
                    ours[address] = (raw, mine)
            d52.update(d52_listing(workdir, "ex%d" % index, data, base))
            for i, b in enumerate(data):
                memory[base + i] = b
        for address in ours:
            if address not in d52 and memory[address] in (0x00, 0xFF):
                d52[address] = D52_PADDING
        # dis51 gets the whole program, every instruction start as an entry
        # point, a RET after each piece of code and at every target in empty
        # memory (see compare_matrix).
        dis51_memory = dict(memory)
        entries = list(ours)
        for base, data in segments:
            if base + len(data) <= 0xFFFF and base + len(data) not in memory:
                dis51_memory[base + len(data)] = RET
        for address in ours:
            target = code_target(d52.get(address))
            if target is not None and target not in memory:
                dis51_memory[target] = RET
                entries.append(target)
        pieces = []
        for address in sorted(dis51_memory):
            if pieces and pieces[-1][0] + len(pieces[-1][1]) == address:
                pieces[-1][1].append(dis51_memory[address])
            else:
                pieces.append((address, [dis51_memory[address]]))
        dis51, labels = dis51_listing(pieces, entries)
        starts = set(d52) | set(entries)
        for address, (raw, mine) in sorted(ours.items()):
            where = "%s %04X" % (name, address)
            diffs.check(where, raw, mine, d52.get(address), "d52", d52_names)
            target = code_target(d52.get(address))
            theirs = dis51.get(address)
            if wraps_around(d52.get(address), address, target):
                theirs = DIS51_NO_WRAP
            elif target is not None and target not in starts:
                theirs = DIS51_INSIDE
            diffs.check(where, raw, mine, theirs, "dis51", dis51_names, labels)
    return len(files)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--examples", default="")
    args = parser.parse_args()
    for program in ("d52", "dis51"):
        if shutil.which(program) is None:
            print("%s is missing: scripts/deps.sh installs it" % program)
            return 1
    workdir = tempfile.mkdtemp(prefix="disasm-oracle-")
    try:
        d52_names, sfrs, bits = probe_d52_names(workdir)
        dis51_names = probe_dis51_names()
        sfr_file = os.path.join(workdir, "d52.sfr")
        with open(sfr_file, "w") as f:
            for name, a in sfrs:
                f.write("S %s %X\n" % (name, a))
            for name, b in bits:
                f.write("B %s %X\n" % (name, b))
        OUR_NAMES.update(d52_names)
        diffs = Differences()
        compare_matrix(args.tool, sfr_file, workdir, d52_names, dis51_names, diffs)
        programs = compare_examples(args.tool, sfr_file, workdir, args.examples, d52_names, dis51_names, diffs)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    for item in diffs.items[:200]:
        print(item)
    for reason, count in sorted(diffs.skipped.items()):
        print("not answered %s: %d" % (reason, count))
    print("compared %d instructions (%d opcode cases, %d example programs) with d52 and dis51: %d differences"
          % (diffs.compared, 256 * len(PCS) * len(OPERANDS), programs, len(diffs.items)))
    return 1 if diffs.items else 0


if __name__ == "__main__":
    sys.exit(main())
