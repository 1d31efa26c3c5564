#!/usr/bin/env python3
"""Runs tools/tarvex-sim, opens the pseudo-terminal it prints like a serial
port and walks the start handshake by hand: a person's view of the tool."""
import os
import select
import subprocess
import sys
import termios
import tty


def read_exact(fd, count, timeout=5.0):
    data = b""
    while len(data) < count:
        ready, _, _ = select.select([fd], [], [], timeout)
        if not ready:
            break
        data += os.read(fd, count - len(data))
    return data


def main():
    tool = sys.argv[1]
    sim = subprocess.Popen([tool, "--version", "6.0", "--serial", "0x0042"], stdout=subprocess.PIPE, text=True)
    try:
        path = sim.stdout.readline().strip()
        if not path.startswith("/dev/"):
            print("no device path from tarvex-sim:", repr(path))
            return 1
        fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(fd)
        attrs = termios.tcgetattr(fd)
        attrs[4] = attrs[5] = termios.B9600
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
        text = b""
        for _ in range(12):
            os.write(fd, b"x")
            text += read_exact(fd, 1)
        if text != b"6.0 TARVEX51":
            print("identification:", text)
            return 1
        os.write(fd, b"k")
        answer = read_exact(fd, 3)
        if answer != b"\x00\x42\x04":
            print("serial number answer:", answer)
            return 1
        os.write(fd, b"WN\x7f\x00\x5aRN\x7f\x00")
        if read_exact(fd, 1) != b"\x5a":
            print("master memory did not keep the byte")
            return 1
        os.close(fd)
        print("tarvex-sim answered on", path)
        return 0
    finally:
        sim.terminate()
        sim.wait(timeout=10)


if __name__ == "__main__":
    sys.exit(main())
