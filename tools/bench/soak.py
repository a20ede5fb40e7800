#!/usr/bin/env python3
"""Soak benchmark: the demo played for a long time at a high tempo.

Plays the demo setup the build makes (BUILD/demo/Demo.^&^ with its kit) at
3000 BPM, a step every 5 ms, through the real main window, sequencer, clock,
sound engine and DirectSound (tests/app/soak_probe.cpp), for an hour by
default. Once a minute the program reports its committed private memory, its
working set, its open handles, the error of that minute's steps against the
grid (each step's clock time minus start + k * 15000 / tempo), and how far its
clock has run from the performance counter since the start (the rate column,
in parts per million), and the longest a step spent in the sound engine
(DirectSound's calls, the sound column). Beside it, in its own process and for as long, the
bare 1 ms multimedia timer of tools/bench/sequencer_timing.py compares the
same clock with the same grid: both meet the same load of the machine, so
their 99th percentiles compare.

    tools/bench/soak.py [--minutes 60] [--tempo 3000] [--output stream|directsound] [--build BUILD-DIR]

--output chooses the sound output the window plays through (the
sample-accurate stream by default, as the program's own default); with the
stream the summary adds its late and dropped commands and its underruns.

Runs in its own Wine prefix (BUILD/wineprefix-soak), so tests can use the
build's prefix meanwhile. BUILD-DIR defaults as in sequencer_timing.py.
"""
import argparse
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tools", "bench"))
import harness  # noqa: E402
from sequencer_timing import interval_ms, percentile, print_setting  # noqa: E402

DEMO = "Demo.^&^"
KIT = "Stepforge Demo Kit"
TEMPO_OFFSET = 6  # the float64 tempo in a setup file


def demo_at_tempo(build, tempo, folder):
    """A copy of the demo setup at `tempo`, beside (a link to) its kit."""
    with open(os.path.join(build, "demo", DEMO), "rb") as source:
        data = bytearray(source.read())
    data[TEMPO_OFFSET:TEMPO_OFFSET + 8] = struct.pack("<d", tempo)
    name = f"Demo at {tempo:g}.^&^"
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)
    os.symlink(os.path.join(build, "demo", KIT), os.path.join(folder, KIT))
    return name


def soak(session, probe, folder, name, minutes, output):
    # Started elsewhere: the program finds the kit beside the file, as it does
    # for a person who opens the file with it.
    process = session.start(probe, harness.windows_path(os.path.join(folder, name)), str(minutes), output, cwd=REPO,
                            stdout=subprocess.PIPE)
    samples, total, clock = [], None, None
    print(f"{'min':>4} {'commit KB':>10} {'w.set KB':>9} {'handles':>7} "
          f"{'steps':>6} {'median':>7} {'p99':>6} {'max':>6} {'mean':>7} {'rate ppm':>9} {'sound':>6}", flush=True)
    for raw in process.stdout:
        words = raw.decode(errors="replace").split()
        if not words:
            continue
        if words[0] == "SAMPLE":
            minute, commit, working, handles, steps = map(int, words[1:6])
            median, p99, worst, mean, clock_ms, real_ms, sound_ms = map(float, words[6:13])
            samples.append({"minute": minute, "commit": commit, "working": working, "handles": handles,
                            "steps": steps, "p99": p99, "max": worst, "mean": mean,
                            "rate": (clock_ms / real_ms - 1) * 1e6, "sound": sound_ms})
            print(f"{minute:4d} {commit:10d} {working:9d} {handles:7d} {steps:6d} "
                  f"{median:7.2f} {p99:6.2f} {worst:6.2f} {mean:7.3f} {samples[-1]['rate']:+9.0f} {sound_ms:6.0f}",
                  flush=True)
        elif words[0] == "TOTAL":
            total = {"steps": int(words[1]), "median": float(words[2]), "p99": float(words[3]),
                     "max": float(words[4]), "drift": float(words[5])}
        elif words[0] == "CLOCK":
            clock = words[1]
        elif words[0] == "SOUNDS":
            print(f"sounds: {words[2]} of {words[1]} loaded", flush=True)
        elif words[0] == "OUTPUT":
            print(f"sound output: {words[1]}", flush=True)
        elif words[0] == "STREAM":
            print(f"stream: {words[1]} late commands, {words[2]} dropped, {words[3]} underruns", flush=True)
        elif words[0] == "NOTE":
            print(" ".join(words), flush=True)
    code = process.wait()
    if code != 0 or total is None:
        raise SystemExit(f"soak_probe ended with exit code {code} before its summary")
    return clock, samples, total


def start_baseline(session, probe, folder, tempo, seconds, clock):
    args = ["Z:" + folder.replace("/", "\\"), str(tempo), str(seconds), clock, "baseline"]
    return session.start(probe, *args, stdout=subprocess.PIPE)


def baseline_result(process, tempo):
    output, _ = process.communicate()
    lines = output.decode(errors="replace").splitlines()
    start = next(int(line.split()[1]) for line in lines if line.startswith("START"))
    triggers = [int(line.split()[2]) for line in lines if line.startswith("TRIGGER")]
    step = interval_ms(tempo)
    errors = [t - start - k * step for k, t in enumerate(triggers)]
    return {"steps": len(errors), "median": percentile(errors, 0.5), "p99": percentile(errors, 0.99),
            "max": max(errors)}


def spread(samples, key):
    values = [s[key] for s in samples]
    return f"first {values[0]}, last {values[-1]}, min {min(values)}, max {max(values)}"


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))  # leaves the session tidily
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--minutes", type=int, default=60)
    parser.add_argument("--tempo", type=float, default=3000)
    parser.add_argument("--output", choices=("stream", "directsound"), default="stream")
    parser.add_argument("--build", default=None)
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    tests = os.path.join(build, "tests")
    probe = os.path.join(tests, "soak_probe.exe")
    arch = harness.pe_arch(probe)
    print_setting(arch, build)
    print(f"started: {time.strftime('%Y-%m-%d %H:%M')}", flush=True)
    folder = tempfile.mkdtemp(prefix="stepforge-soak-")
    try:
        name = demo_at_tempo(build, options.tempo, folder)
        with harness.WineSession(os.path.join(build, "wineprefix-soak"), audio=True, arch=arch) as session:
            # The bare timer on the clock the program uses by default (the time-stamp counter).
            bare = start_baseline(session, os.path.join(tests, "sequencer_probe.exe"), folder, options.tempo,
                                  options.minutes * 60, "tsc")
            clock, samples, total = soak(session, probe, folder, name, options.minutes, options.output)
            print(f"soak, {clock}: {total['steps']} steps, error median {total['median']:.2f} ms, "
                  f"p99 {total['p99']:.2f} ms, max {total['max']:.2f} ms, drift {total['drift']:+.3f} ms", flush=True)
            print(f"committed private memory (KB): {spread(samples, 'commit')}")
            print(f"working set (KB): {spread(samples, 'working')}")
            print(f"handles: {spread(samples, 'handles')}", flush=True)
            print(f"the sequencer's clock against the performance counter: {samples[-1]['rate']:+.0f} ppm "
                  f"over the run", flush=True)
            result = baseline_result(bare, options.tempo)
            print(f"bare timer beside it: {result['steps']} steps, error median {result['median']:.2f} ms, "
                  f"p99 {result['p99']:.2f} ms, max {result['max']:.2f} ms", flush=True)
        print(f"finished: {time.strftime('%Y-%m-%d %H:%M')}, load average {os.getloadavg()[0]:.1f}", flush=True)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
