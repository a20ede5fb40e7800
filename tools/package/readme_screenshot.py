#!/usr/bin/env python3
"""Takes the screenshots of README.md: the built program playing its demo,
under its own Xvfb and PulseAudio whatever display you have.

    readme_screenshot.py [--zoom N] [BUILD-DIR [PNG]]

BUILD-DIR defaults to the build of the program this machine runs (build/windows,
else build/windows64), PNG to docs/stepforge.png, or docs/stepforge-Nx.png
with --zoom N (2 or 3: the program's Zoom set to N for the take, and put back
as it was afterwards). The demo sets the colours, so only the lit step lamp
differs between takes.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
import harness  # noqa: E402


ZOOM_KEY = r"HKCR\Stepforge\data\8"


def set_zoom(session, value):
    """Sets the program's Zoom preference (None removes it); returns what it was."""
    previous = session.reg_query(ZOOM_KEY, "zoom")
    if value is None:
        args = ["reg", "delete", ZOOM_KEY, "/v", "zoom", "/f"]
    else:
        args = ["reg", "add", ZOOM_KEY, "/v", "zoom", "/d", value, "/f"]
    subprocess.run([session.loader, *args], env=session.env, capture_output=True, timeout=120)
    return previous


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--zoom", type=int, choices=(1, 2, 3), default=1)
    parser.add_argument("build", nargs="?", default=harness.default_build_dir())
    parser.add_argument("png", nargs="?")
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    name = "stepforge.png" if options.zoom == 1 else f"stepforge-{options.zoom}x.png"
    out = os.path.abspath(options.png or os.path.join(REPO, "docs", name))
    os.environ.pop("STEPFORGE_DISPLAY", None)  # always a display of its own, of known depth
    # Room for the demo's window (707 x 166 at 1x, placed at 100, 100) at its zoom.
    screen = f"{max(1280, 707 * options.zoom + 200)}x{max(800, 166 * options.zoom + 200)}x24"
    session = harness.WineSession(os.path.join(build, "wineprefix-run"), display=None, audio=True,
                                  arch=harness.pe_arch(os.path.join(build, "Stepforge.exe")), screen=screen)
    session.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
    with session, tempfile.TemporaryDirectory(prefix="stepforge-shot-") as folder:
        previous = set_zoom(session, str(options.zoom)) if options.zoom != 1 else None
        try:
            demo = os.path.join(build, "demo", "Demo.^&^")
            process = session.start(os.path.join(build, "Stepforge.exe"), harness.windows_path(demo))
            window = harness.wait_until(
                lambda: next((w for w in session.find_windows(harness.CAPTION_REGEX)
                              if "Demo.^&^" in session.window_name(w)), None), 60, what="the demo's window")
            time.sleep(0.5)
            session.key(window, "space")
            time.sleep(1.2)  # into the first measure: the lamp and the playing mark are lit
            raw = session.screenshot(os.path.join(folder, "shot.png"), window)
            session.key(window, "alt+F4")
            session.wait_exit(process, timeout=20)
        finally:
            if options.zoom != 1:
                set_zoom(session, previous)
        # Seven colours: a palette PNG without metadata is a few kilobytes.
        subprocess.run(["convert", raw, "-strip", "PNG8:" + out], check=True)
    print(f"{out}: {os.path.getsize(out)} bytes")


if __name__ == "__main__":
    main()
