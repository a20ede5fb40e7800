#!/usr/bin/env python3
"""Renders the skin gallery to a PNG: every skin image and every control in a
few colour schemes, for a person to look at.

    render_gallery.py [--build DIR] [--scale N] OUTPUT.png [RRGGBB ...]

DIR is a Windows build directory (default: build/windows where this machine
runs 32-bit code, else build/windows64); the gallery uses its
skin_gallery.exe and its Wine prefix. --scale enlarges the picture N times
without smoothing. Extra RRGGBB values add rows for those base colours.
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
import harness  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=None)
    parser.add_argument("--scale", type=int, default=1)
    parser.add_argument("output")
    parser.add_argument("colors", nargs="*")
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    program = os.path.join(build, "tools", "gallery", "skin_gallery.exe")
    if not os.path.exists(program):
        sys.exit(f"{program} is missing; build the target skin_gallery first")
    with tempfile.TemporaryDirectory(prefix="stepforge-gallery-") as folder:
        with harness.WineSession(os.path.join(build, "wineprefix"), arch=harness.pe_arch(program)) as session:
            code = session.run(program, "gallery.bmp", *options.colors, cwd=folder, timeout=120)
        if code != 0:
            sys.exit(f"skin_gallery failed with exit code {code}")
        scale = ["-scale", f"{options.scale * 100}%"] if options.scale > 1 else []
        subprocess.run(["convert", os.path.join(folder, "gallery.bmp"), *scale, os.path.abspath(options.output)],
                       check=True)
    print(f"Gallery: {options.output}")


if __name__ == "__main__":
    main()
