#!/usr/bin/env python3
"""The demo kit comes out byte for byte the same on every run: a sound that
changed between builds would change every setup file made with it.

    test_kit_repeatable.py BUILT-KIT-FOLDER
"""

import filecmp
import os
import subprocess
import sys
import tempfile

SYNTH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "kit", "synth.py")


def main(built):
    names = sorted(n for n in os.listdir(built) if n.lower().endswith(".wav"))
    with tempfile.TemporaryDirectory() as scratch:
        fresh = os.path.join(scratch, "kit")
        # Another hash seed, so nothing may depend on set or dict ordering.
        env = dict(os.environ, PYTHONHASHSEED="12345")
        subprocess.run([sys.executable, SYNTH, fresh], check=True, env=env)
        again = sorted(os.listdir(fresh))
        if again != names:
            print("files differ:", names, again)
            return 1
        match, mismatch, errors = filecmp.cmpfiles(built, fresh, names, shallow=False)
        if mismatch or errors:
            print("not byte-identical:", mismatch + errors)
            return 1
    print(len(names), "sounds identical")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
