"""Regenerates the demo basin into a temporary folder and compares it byte for
byte with examples/demo: the committed example must be what the tool writes."""

import filecmp
import os
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEMO = os.path.join(REPO, "examples", "demo")

with tempfile.TemporaryDirectory() as tmp:
    out = os.path.join(tmp, "demo")
    subprocess.run([sys.executable, os.path.join(REPO, "tools", "basin_gen.py"), "demo", out], check=True)
    names = sorted(set(os.listdir(DEMO)) | set(os.listdir(out)))
    same, differ, missing = filecmp.cmpfiles(DEMO, out, names, shallow=False)
    for name in differ + missing:
        print("differs from examples/demo: %s" % name)
    sys.exit(1 if differ or missing else 0)
