#!/usr/bin/env python3
"""Runs the Win32 serial-port tests of a Windows test program under Wine
against a pseudo-terminal: the Wine prefix's COM37 is linked to the
terminal, and this script answers on the other side, upper-casing what it
receives. Wine carries out the program's CreateFileA, SetCommState,
SetCommTimeouts, ReadFile and WriteFile on the terminal (a pseudo-terminal
has no modem lines, so RTS and DTR stay untested here).

Usage: win32_serial_pty.py <wine> <test program>"""
import os
import select
import subprocess
import sys
import threading
import tty

PORT = "COM37"  # above COM9: opens only through the device namespace


def answer(master, stop):
    while not stop.is_set():
        ready, _, _ = select.select([master], [], [], 0.1)
        if not ready:
            continue
        try:
            data = os.read(master, 256)
        except OSError:
            return
        if data:
            os.write(master, data.upper())


def main():
    wine, program = sys.argv[1], sys.argv[2]
    prefix = os.environ.get("WINEPREFIX")
    if not prefix or not os.path.isdir(os.path.join(prefix, "dosdevices")):
        print("WINEPREFIX must name an initialised Wine prefix")
        return 1
    master, slave = os.openpty()
    tty.setraw(master)
    link = os.path.join(prefix, "dosdevices", PORT.lower())
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(os.ttyname(slave), link)
    stop = threading.Event()
    worker = threading.Thread(target=answer, args=(master, stop), daemon=True)
    worker.start()
    try:
        env = dict(os.environ, TARVEX_TEST_COM_PORT=PORT)
        run = subprocess.run([wine, program, "--gtest_filter=Win32SerialPty.*"], env=env, stdin=subprocess.DEVNULL,
                             capture_output=True, text=True, timeout=120)
    finally:
        stop.set()
        worker.join()
        os.remove(link)
        os.close(master)
        os.close(slave)
    sys.stdout.write(run.stdout)
    sys.stdout.write(run.stderr)
    if run.returncode != 0:
        return 1
    if "SKIPPED" in run.stdout or "[  PASSED  ]" not in run.stdout:
        print("the serial tests did not run")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
