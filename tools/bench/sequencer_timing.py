#!/usr/bin/env python3
"""Timing benchmark of the sequencer under Wine.

Plays a measure of clicks through the real sequencer, clock, multimedia timer
and DirectSound for each clock source and tempo, and, for comparison, runs a
bare 1 ms multimedia timer that only compares the same clock with the same
grid. The silent runs play no sound, so their CPU is the sequencer's own
beside the bare timer's (DirectSound is open in every run). Reports, per run: the error of every trigger against its ideal time on
the grid (median, 99th percentile, maximum), the drift over the run, the CPU
used by the process while playing (from /proc), and how far the recorded
output onsets fall from the grid after the first second.

    tools/bench/sequencer_timing.py [--seconds 30] [--long 600] [--build BUILD-DIR]

BUILD-DIR defaults to the 32-bit build (build/windows) where this machine runs
32-bit code, else the 64-bit one (build/windows64). The first lines name the
build and the machine the figures come from.
"""
import argparse
import math
import os
import struct
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tests", "wine"))
import harness  # noqa: E402
from audio_analysis import RATE, onsets  # noqa: E402

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def click_wav():
    rate = 44100
    frames = [0.8 * math.exp(-i / (0.002 * rate)) * math.sin(2 * math.pi * 2000 * i / rate) for i in range(441)]
    data = b"".join(struct.pack("<h", int(32767 * x)) for x in frames)
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def interval_ms(tempo):
    # The same arithmetic as the program: single-precision constants.
    x = struct.unpack("f", struct.pack("f", tempo))[0]
    return 1000.0 / (x * struct.unpack("f", struct.pack("f", 0.06666667))[0])


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(p * (len(ordered) - 1)))]


def run(session, probe, folder, tempo, seconds, source, mode, record):
    raw = os.path.join(folder, "out.raw")
    if record:
        session.start_recording(raw)
    args = ["Z:" + folder.replace("/", "\\"), str(tempo), str(seconds), source, mode]
    process = session.start(probe, *args, stdout=subprocess.PIPE)
    lines = []
    cpu_start = cpu_stop = wall_start = wall_stop = None
    for raw_line in process.stdout:
        line = raw_line.decode(errors="replace").strip()
        lines.append(line)
        if line.startswith("START"):
            cpu_start, wall_start = cpu_seconds(process.pid), time.monotonic()
        elif line == "STOPPING":
            cpu_stop, wall_stop = cpu_seconds(process.pid), time.monotonic()
    process.wait()
    left = session.stop_recording()[0] if record else None
    start = next(int(line.split()[1]) for line in lines if line.startswith("START"))
    triggers = [int(line.split()[2]) for line in lines if line.startswith("TRIGGER")]
    step = interval_ms(tempo)
    errors = [t - start - k * step for k, t in enumerate(triggers)]
    tail = max(1, len(errors) // 10)
    result = {
        "steps": len(triggers),
        "median": percentile(errors, 0.5),
        "p99": percentile(errors, 0.99),
        "max": max(errors),
        "drift": sum(errors[-tail:]) / tail - sum(errors[:tail]) / tail,
        "cpu": 100.0 * (cpu_stop - cpu_start) / (wall_stop - wall_start),
    }
    if left is not None and step >= 20:
        found = [i * 1000.0 / RATE for i in onsets(left, threshold=0.05, quiet_ms=min(40, step / 2))]
        if found:
            first = found[0]
            deviations = []
            for at in found:
                k = round((at - first) / step)
                if at - first >= 1000:
                    deviations.append(abs(at - first - k * step))
            if deviations:
                result["onsets"] = (len(found), percentile(deviations, 0.5), percentile(deviations, 0.99),
                                    max(deviations))
    return result


def describe(name, r):
    text = (f"{name:34s} {r['steps']:6d} steps  error median {r['median']:6.2f} ms  p99 {r['p99']:6.2f} ms  "
            f"max {r['max']:6.2f} ms  drift {r['drift']:+6.2f} ms  CPU {r['cpu']:5.2f} %")
    if "onsets" in r:
        n, median, p99, worst = r["onsets"]
        text += f"\n{'':34s} output onsets after 1 s: {n} found, |off grid| median {median:.1f} ms, p99 {p99:.1f} ms, max {worst:.1f} ms"
    return text


def machine_description():
    model = "unknown processor"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run(["/usr/lib/wine/wine64", "--version"], capture_output=True, text=True).stdout.strip()
    return f"{os.cpu_count()} cores, {model}, Linux {os.uname().release}, {wine or 'Wine'}"


def print_setting(arch, measured):
    """The lines every benchmark starts with: the build, the machine and its load."""
    print(f"build: {'64' if arch == 'win64' else '32'}-bit ({measured})", flush=True)
    print(f"machine: {machine_description()}", flush=True)
    print(f"load average at the start: {' '.join(f'{v:.2f}' for v in os.getloadavg())}", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--long", type=float, default=0, help="also one long run at 126 BPM (seconds)")
    parser.add_argument("--build", default=None)
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    probe = os.path.join(build, "tests", "sequencer_probe.exe")
    arch = harness.pe_arch(probe)
    print_setting(arch, build)
    folder = tempfile.mkdtemp(prefix="stepforge-bench-")
    with open(os.path.join(folder, "click.wav"), "wb") as out:
        out.write(click_wav())
    with harness.WineSession(os.path.join(build, "wineprefix"), audio=True, arch=arch) as session:
        for source in ("tsc", "qpc"):
            for tempo in (126, 600, 3000):
                r = run(session, probe, folder, tempo, options.seconds, source, "play", True)
                print(describe(f"sequencer {source} {tempo} BPM, playing", r), flush=True)
                r = run(session, probe, folder, tempo, options.seconds, source, "silent", False)
                print(describe(f"sequencer {source} {tempo} BPM, silent", r), flush=True)
                b = run(session, probe, folder, tempo, options.seconds, source, "baseline", False)
                print(describe(f"bare timer {source} {tempo} BPM", b), flush=True)
        if options.long:
            r = run(session, probe, folder, 126, options.long, "tsc", "play", True)
            print(describe(f"sequencer tsc 126 BPM, {options.long:g} s", r), flush=True)


if __name__ == "__main__":
    main()
