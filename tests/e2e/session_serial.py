#!/usr/bin/env python3
"""Runs a session of tools/tarvex-host through the driver library on a serial
port: tools/tarvex-sim plays the board on a pseudo-terminal that the port
COM5 names. The output is compared with the committed expectation as the
other sessions are (lines beginning with "~" by their first word only);
TARVEX_E2E_UPDATE rewrites it."""
import os
import re
import shutil
import subprocess
import sys


def main():
    host, sim, libdir, script, expected, work, examples = sys.argv[1:8]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "project"))
    os.makedirs(os.path.join(work, "config"))
    root = os.path.join(work, "root")
    subprocess.run([sim, "--make-root", root], check=True, stdout=subprocess.DEVNULL)
    board = subprocess.Popen([sim, "--root", root], stdout=subprocess.PIPE, text=True)
    try:
        path = board.stdout.readline().strip()
        if not path.startswith("/dev/"):
            print("no device path from tarvex-sim:", repr(path))
            return 1
        env = dict(os.environ, TARVEX_ROOT=root, TARVEX_CONFIG_HOME=os.path.join(work, "config"),
                   TARVEX_UI="console", TARVEX_PORT_COM5=path, LD_LIBRARY_PATH=libdir)
        run = subprocess.run([host, "--var", "EXAMPLES=" + examples, "--work", os.path.join(work, "project"),
                              script], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                             timeout=120)
    finally:
        board.terminate()
        board.wait(timeout=10)
    if run.returncode != 0:
        print(run.stdout)
        print("tarvex-host ended with", run.returncode)
        return 1
    out = run.stdout.replace(examples, "${EXAMPLES}").replace(os.path.join(work, "project"), "${WORK}")
    out = re.sub(r"(?m)^(~\S*).*$", r"\1 ...", out)
    if os.environ.get("TARVEX_E2E_UPDATE"):
        with open(expected, "w") as f:
            f.write(out)
        return 0
    with open(expected) as f:
        want = f.read()
    if out != want:
        sys.stdout.writelines(__import__("difflib").unified_diff(want.splitlines(True), out.splitlines(True),
                                                                 "expected", "actual"))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
