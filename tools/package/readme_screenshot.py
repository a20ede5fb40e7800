#!/usr/bin/env python3
"""Takes the screenshot of README.md: the built program playing its demo,
under its own Xvfb and PulseAudio whatever display you have.

    readme_screenshot.py [BUILD-DIR [PNG]]

BUILD-DIR defaults to the build of the program this machine runs (build/windows,
else build/windows64), PNG to docs/stepforge.png. The demo sets
the colours, so only the lit step lamp differs between takes.
"""
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
import harness  # noqa: E402


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else harness.default_build_dir())
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(REPO, "docs", "stepforge.png"))
    os.environ.pop("STEPFORGE_DISPLAY", None)  # always a display of its own, of known depth
    session = harness.WineSession(os.path.join(build, "wineprefix-run"), display=None, audio=True,
                                  arch=harness.pe_arch(os.path.join(build, "Stepforge.exe")))
    session.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
    with session, tempfile.TemporaryDirectory(prefix="stepforge-shot-") as folder:
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
        # Seven colours: a palette PNG without metadata is a few kilobytes.
        subprocess.run(["convert", raw, "-strip", "PNG8:" + out], check=True)
    print(f"{out}: {os.path.getsize(out)} bytes")


if __name__ == "__main__":
    main()
