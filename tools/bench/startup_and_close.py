#!/usr/bin/env python3
"""Start-up and closing benchmark of the program under Wine.

Start-up: from starting Stepforge.exe on the demo setup to the moment its
window's caption names the file, against the same measure for bare_window.exe
(a program that opens a window with the main window's styles and nothing
else): what bare_window takes is Wine's share, the difference the program's
own. Closing: from Escape on the unmodified Setup to the window's
disappearance (no longer a visible X window) and to the end of the process;
then, after an edit, from the answer Don't Save to the disappearance of the
question box and of the window.

Runs alternate between the programs in one Wine session (a warm wineserver),
after one unrecorded start of each.

    tools/bench/startup_and_close.py [--runs 7] [--build BUILD-DIR] [--program EXE]...

--program adds another Stepforge.exe to compare (an older build, say); it is
measured on the same demo setup in the same runs.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tools", "bench"))
import harness  # noqa: E402
from sequencer_timing import print_setting  # noqa: E402

POLL = 0.005
QUESTION = harness.SAVE_QUESTION_REGEX


def visible(session, window):
    return window in session.find_windows(".*")


def wait(predicate, timeout, what):
    return harness.wait_until(predicate, timeout, interval=POLL, what=what)


def start_and_time(session, args, title):
    """Seconds from the process start to a visible window whose caption holds `title`."""
    started = time.monotonic()
    process = session.start(*args)
    window = wait(lambda: next((w for w in session.find_windows(".") if title in session.window_name(w)), None),
                  120, f"a window named {title}")
    return time.monotonic() - started, process, window


def close_and_time(session, process, window, key_window=None):
    """Presses Escape; seconds to the window's disappearance and to the process's end."""
    session.key(key_window or window, "Escape")
    pressed = time.monotonic()
    wait(lambda: not visible(session, window), 60, "the window to go")
    gone = time.monotonic() - pressed
    process.wait(timeout=60)
    return gone, time.monotonic() - pressed


def dont_save_and_time(session, process, window):
    """Edits (a click on step 1's on/off button), presses Escape and answers
    Don't Save; seconds from the answer to the question box's and the window's
    disappearance."""
    session.click(window, 94 + 12 + 8, 2 + 30 + 8)
    time.sleep(0.3)
    session.key(window, "Escape")
    question = wait(lambda: next(iter(session.find_windows(QUESTION)), None), 30, "the save question")
    time.sleep(0.5)
    session.key(question, "d")
    answered = time.monotonic()
    wait(lambda: not visible(session, question), 60, "the question to go")
    question_gone = time.monotonic() - answered
    wait(lambda: not visible(session, window), 60, "the window to go")
    window_gone = time.monotonic() - answered
    process.wait(timeout=60)
    return question_gone, window_gone


def spread(values):
    return f"median {statistics.median(values):.3f} s (min {min(values):.3f}, max {max(values):.3f})"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build", default=None)
    parser.add_argument("--program", action="append", default=[], help="another Stepforge.exe to compare")
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    bare = os.path.join(build, "tests", "bare_window.exe")
    programs = [os.path.join(build, "Stepforge.exe")] + [os.path.abspath(p) for p in options.program]
    setup = os.path.join(build, "demo", "Demo.^&^")
    arch = harness.pe_arch(programs[0])
    print_setting(arch, build)

    starts = {p: [] for p in [bare] + programs}
    gone = {p: [] for p in [bare] + programs}
    ended = {p: [] for p in [bare] + programs}
    question_gone = {p: [] for p in programs}
    window_gone = {p: [] for p in programs}
    with harness.WineSession(os.path.join(build, "wineprefix"), audio=True, arch=arch) as session:
        for run in range(options.runs + 1):
            for program in [bare] + programs:
                if program == bare:
                    seconds, process, window = start_and_time(session, [bare, "bare window"], "bare window")
                else:
                    seconds, process, window = start_and_time(session, [program, harness.windows_path(setup)],
                                                              "Demo")
                time.sleep(1.0)
                closed = close_and_time(session, process, window)
                if run == 0:
                    continue  # the first start of each warms Wine's caches
                starts[program].append(seconds)
                gone[program].append(closed[0])
                ended[program].append(closed[1])
                if program != bare:
                    _, process, window = start_and_time(session, [program, harness.windows_path(setup)], "Demo")
                    time.sleep(1.0)
                    answer = dont_save_and_time(session, process, window)
                    question_gone[program].append(answer[0])
                    window_gone[program].append(answer[1])
            print(f"run {run} done", flush=True)
    floor = statistics.median(starts[bare])
    print(f"\nbare_window: start {spread(starts[bare])}; Escape to gone {spread(gone[bare])}")
    for program in programs:
        own = [s - floor for s in starts[program]]
        print(f"\n{program}:")
        print(f"  start to the captioned window: {spread(starts[program])}")
        print(f"  its own share (minus bare_window's median {floor:.3f} s): {spread(own)}")
        print(f"  Escape, unmodified: window gone {spread(gone[program])}; process ended {spread(ended[program])}")
        print(f"  Don't Save: question gone {spread(question_gone[program])}; window gone {spread(window_gone[program])}")


if __name__ == "__main__":
    main()
