#!/usr/bin/env python3
"""Speed of exporting the demo's cycle to a WAV file, against real time.

Runs tests/export_bench.exe of a Windows build under Wine on the demo setup
(build/.../demo/Demo.^&^): in one process it times the whole export as the
command line runs it (read the setup file, find and decode the sounds, plan,
mix, write and flush the WAV file) and the mixing alone into memory, over
several rounds. Then it times `Stepforge.exe /export` from this shell, Wine's
start of the process included.

    tools/bench/export_speed.py [--rounds 9] [--build BUILD-DIR]

BUILD-DIR defaults to the program this machine runs (build/windows where
32-bit code runs, else build/windows64). The first lines name the build and
the machine the figures come from.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tools", "bench"))
import harness  # noqa: E402
from sequencer_timing import print_setting  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--build", default=None)
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    bench = os.path.join(build, "tests", "export_bench.exe")
    program = os.path.join(build, "Stepforge.exe")
    demo = os.path.join(build, "demo", "Demo.^&^")
    arch = harness.pe_arch(bench)
    print_setting(arch, build)
    folder = tempfile.mkdtemp(prefix="stepforge-export-bench-")
    out = os.path.join(folder, "demo.wav")
    with harness.WineSession(os.path.join(build, "wineprefix"), need_display=False, arch=arch) as session:
        result = subprocess.run([session.loader, bench, harness.windows_path(demo), harness.windows_path(out),
                                 str(options.rounds)], env=session.env, capture_output=True, timeout=600)
        lines = result.stdout.decode("cp1252").splitlines()
        print("\n".join(line for line in lines if not line.startswith("Exported")), flush=True)
        starts = []
        for _ in range(3):
            began = time.monotonic()
            subprocess.run([session.loader, program, "/export", harness.windows_path(demo), harness.windows_path(out)],
                           env=session.env, capture_output=True, timeout=600, check=True)
            starts.append(time.monotonic() - began)
        print(f"Stepforge.exe /export from the shell, Wine's process start included: "
              f"{', '.join(f'{s:.2f} s' for s in starts)}", flush=True)
    os.remove(out)
    os.rmdir(folder)


if __name__ == "__main__":
    main()
