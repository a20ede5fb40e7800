#!/usr/bin/env python3
"""Speed of exporting to a WAV file, against real time, with peak memory and
how soon a cancel is answered.

Runs tests/export_bench.exe of a Windows build under Wine on the demo setup
(build/.../demo/Demo.^&^) and on a heavy one made here: a 10 s stereo sound
on 16 steps at pitches -60 to -45, polyphonic, every voice ringing for
minutes. In one process it times the whole export as the command line runs it
(read the setup file, find and prepare the sounds, plan, render, write and
flush the WAV file) over several rounds, as one cycle with its tails and as a
loop. Then it times `Stepforge.exe /export` from this shell, Wine's start of
the process included.

    tools/bench/export_speed.py [--rounds 9] [--build BUILD-DIR]

BUILD-DIR defaults to the program this machine runs (build/windows where
32-bit code runs, else build/windows64). The first lines name the build and
the machine the figures come from.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tools", "bench"))
import harness  # noqa: E402
from sequencer_timing import print_setting  # noqa: E402

sys.path.insert(0, os.path.join(REPO, "tests", "wine"))
from setup_writer import setup_file_bytes  # noqa: E402


def write_heavy_setup(folder):
    """A 10 s stereo noise sound on all 16 steps at pitches -60..-45, polyphonic."""
    sounds = os.path.join(folder, "Heavy Kit")
    os.makedirs(sounds)
    rng = random.Random(7)
    frames = 441000
    left = [rng.uniform(-0.5, 0.5) for _ in range(frames)]
    right = [rng.uniform(-0.5, 0.5) for _ in range(frames)]
    harness.write_wav(os.path.join(sounds, "01 noise.wav"), left, right, rate=44100)
    steps = {(0, s): (1, -60 + s, 0, 100, 64, 64) for s in range(16)}
    path = os.path.join(folder, "Heavy.^&^")
    with open(path, "wb") as out:
        out.write(setup_file_bytes(harness.windows_path(sounds), steps, polyphonic=1))
    return path


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
    heavy = write_heavy_setup(folder)
    with harness.WineSession(os.path.join(build, "wineprefix"), need_display=False, arch=arch) as session:
        for name, setup, rounds in (("demo", demo, options.rounds), ("heavy", heavy, 3)):
            for shape in ("cycle", "loop"):
                print(f"--- {name}, {shape}", flush=True)
                result = subprocess.run([session.loader, bench, harness.windows_path(setup), harness.windows_path(out),
                                         str(rounds), shape], env=session.env, capture_output=True, timeout=1200)
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
    shutil.rmtree(folder)


if __name__ == "__main__":
    main()
