#!/usr/bin/env python3
"""The include check finds every kind of upward include and each circle in a
small tree made to break each rule once, and passes the project itself."""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
SCRIPT = os.path.join(ROOT, "scripts", "check_layers.py")
FIXTURE = os.path.join(ROOT, "tests", "fixtures", "layers")

EXPECTED = [
    "app/core/ovplain.h: widget header <QtWidgets/QWidget>",
    "app/core/ovplain.h: window header app/fmain.h",
    "ui/dbgrid.cpp: app window header app/fmain.h (use app/core or app/ovforms.h)",
    "platform/folders.h: window header platform/gui/dialogs.h",
    "client/src/base/CLTMEM.h: client/src/base/CLTMEM.h (base) includes client/src/comm/CLTFRAME.h (comm)",
    "client/src/comm/CLTFRAME.cpp: client/src/comm/CLTFRAME.cpp (comm) includes client/src/api/CLTLIBMN.h (api)",
    "client/src/CLTLOOSE.h: lies in no layer folder",
    "circle: app/core/ovplain <-> app/fmain",
    "circle: platform/folders <-> platform/gui/dialogs",
    "circle: client/src/api/CLTLIBMN <-> client/src/base/CLTMEM <-> client/src/comm/CLTFRAME",
]
# Allowed includes of the fixture that must not be reported.
ALLOWED = ["header app/core/ovplain.h", "header app/ovforms.h", "client/src/api/CLTLIBMN.h (api) includes"]


def run(root):
    return subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True)


def main():
    failed = 0
    bad = run(FIXTURE)
    lines = [l[len("layers: "):] for l in bad.stdout.splitlines()]
    for want in EXPECTED:
        if want not in lines:
            print("missing finding: " + want)
            failed += 1
    for line in lines:
        if any(a in line for a in ALLOWED):
            print("allowed include reported: " + line)
            failed += 1
    if bad.returncode != 1:
        print("a tree with findings must fail, exit %d" % bad.returncode)
        failed += 1
    if failed == 0:
        print("check_layers finds each broken rule")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
