#!/usr/bin/env python3
"""Live playback's timing as heard, through both sound outputs in one run:
DirectSound's buffers (a Play per step) and the sample-accurate stream.

tests/sequencer_probe.exe plays a 3 ms click on every step through the real
sequencer, clock and timer, hard left; beside it `paplay` plays a reference
click track into the same PulseAudio sink, a click every 50 ms at exact
sample positions on the right channel. One `parec` recording holds both, and
each of the program's onsets is placed on the reference's timeline, so
whatever the recording chain does to both alike cancels.

Reported per output:
- the interval error of consecutive onsets (p50, p95, p99, max), of every
  interval and leaving out those more than 2 ms off, which are counted:
  through the stream these are the recording chain's own jumps (Wine's
  stream into the sink missed periods), through DirectSound's buffers also
  the wraps of its 10 ms mixing lattice;
- the tempo against the reference in ppm, fitted over the whole run and
  between those intervals;
- the latency from each step's due time to its sound: the due time on the
  performance counter (Wine's follows Linux's raw monotonic clock) against
  the time the recording's block holding the onset arrived, less the samples
  after it (good to a few ms; its spread shows whether it is constant);
- the process CPU while playing, at 126 BPM and at 3000 BPM;
- the stream's late commands, dropped commands and underruns;
- through the stream only: 128 voices at once (a long sound pitched up 14
  semitones on every step of eight chained measures at 3000 BPM).

    tools/bench/playback_timing.py [--seconds 60] [--runs 1] [--build BUILD-DIR]

BUILD-DIR defaults as in sequencer_timing.py. The first lines name the build
and the machine the figures come from.
"""
import argparse
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tools", "bench"))
sys.path.insert(0, os.path.join(REPO, "tests", "wine"))
import harness  # noqa: E402
from audio_analysis import RATE, on_reference_timeline, reference_track, step_onsets  # noqa: E402
from sequencer_timing import percentile, print_setting  # noqa: E402
from stream_timing import TimedRecorder  # noqa: E402
from tempo_accuracy import pooled_fit  # noqa: E402

TEMPO = 126.0
STEP_MS = 15000.0 / TEMPO  # close enough for numbering; the analysis uses the exact grid of the dues
REFERENCE_INTERVAL = 2400  # 50 ms at 48 kHz
JUMP_MS = 2.0


def mono_wav(frames, rate=44100):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(32767 * x)))) for x in frames)
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def write_sounds(folder):
    with open(os.path.join(folder, "click.wav"), "wb") as out:
        out.write(mono_wav([0.8] * 132))
    rng = random.Random(5)
    with open(os.path.join(folder, "voice.wav"), "wb") as out:
        out.write(mono_wav([0.05 * math.sin(i * 0.05) + 0.01 * rng.uniform(-1, 1) for i in range(3 * 44100)]))


def run(session, probe, folder, output, tempo, seconds, mode="play", listen=True):
    recorder = TimedRecorder(session) if listen else None
    player = None
    if listen:
        time.sleep(0.3)
        player = session.start_playing(os.path.join(folder, "reference.wav"))
        time.sleep(0.5)
    process = session.start(probe, harness.windows_path(folder), str(tempo), str(seconds), "qpc", mode, "500", output,
                            stdout=subprocess.PIPE)
    out, _ = process.communicate(timeout=seconds + 120)
    lines = out.decode(errors="replace").splitlines()
    left = right = None
    if listen:
        time.sleep(1.0)
        player.terminate()
        left, right = recorder.stop()
    return lines, left, right, recorder


def field(lines, key):
    return next((line.split()[1:] for line in lines if line.split()[:1] == [key]), None)


def analyse(lines, left, right, recorder):
    dues = [float(line.split()[3]) for line in lines if line.startswith("TRIGGER")]
    clock_ms, counter_ms = map(float, field(lines, "QPC_MS"))
    heard = [t for t, _ in step_onsets(left)]
    reference = [t for t, _ in step_onsets(right, detect=0.25)]
    placed = on_reference_timeline(heard, reference, REFERENCE_INTERVAL)
    result = {"steps": len(dues), "heard": len(heard), "reference": len(reference)}
    if len(placed) < 3:
        return result
    # Number the onsets by the grid: the first heard is the first step.
    first = placed[0][1]
    numbered = [(round((ideal - first) * 1000.0 / RATE / STEP_MS), recorded, ideal) for recorded, ideal in placed]
    errors, all_errors, jumps, stretch, stretches = [], [], 0, [], []
    whole = [(dues[numbered[0][0]], numbered[0][2] * 1000.0 / RATE)]
    for (na, _, a), (nb, _, b) in zip(numbered, numbered[1:]):
        if nb >= len(dues):
            break
        error = (b - a) * 1000.0 / RATE - (dues[nb] - dues[na])
        all_errors.append(abs(error))
        if abs(error) > JUMP_MS:
            jumps += 1
            stretches.append(stretch)
            stretch = []
        else:
            errors.append(abs(error))
        stretch.append((dues[nb], b * 1000.0 / RATE))
        whole.append((dues[nb], b * 1000.0 / RATE))
    stretches.append(stretch)
    if all_errors:
        result["all_error_ms"] = [percentile(all_errors, p) for p in (0.5, 0.95, 0.99, 1.0)]
    if errors:
        result["error_ms"] = [percentile(errors, p) for p in (0.5, 0.95, 0.99, 1.0)]
    result["jumps"] = jumps
    slope, standard_error = pooled_fit([([d for d, _ in whole], [t for _, t in whole])])
    result["tempo_ppm_whole"] = ((slope - 1) * 1e6, standard_error * 1e6)
    pairs = [([d for d, _ in s], [t for _, t in s]) for s in stretches if len(s) >= 3]
    if pairs:
        slope, standard_error = pooled_fit(pairs)
        result["tempo_ppm"] = ((slope - 1) * 1e6, standard_error * 1e6)
    # Latency: due time on the counter against when the onset was in the sink.
    latency = []
    for number, recorded, _ in numbered:
        at = recorder.heard_ms(int(recorded))
        if at is not None and number < len(dues):
            latency.append(at - (dues[number] - clock_ms + counter_ms))
    if latency:
        result["latency_ms"] = [percentile(latency, p) for p in (0.05, 0.5, 0.95)]
    return result


def cpu_percent(lines, seconds):
    cpu = field(lines, "CPU")
    return float(cpu[0]) / (10.0 * seconds) if cpu else None


def stream_counts(lines):
    counts = field(lines, "STREAM")
    return f"late {counts[0]}, dropped {counts[1]}, underruns {counts[2]}, least margin {counts[3]} frames, " \
        f"at most {counts[4]} voices at once" if counts else ""


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--build", default=None)
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    probe = os.path.join(build, "tests", "sequencer_probe.exe")
    arch = harness.pe_arch(probe)
    print_setting(arch, build)
    folder = tempfile.mkdtemp(prefix="stepforge-playback-")
    write_sounds(folder)
    with open(os.path.join(folder, "reference.wav"), "wb") as out:
        out.write(reference_track(options.seconds + 30, REFERENCE_INTERVAL))
    with harness.WineSession(os.path.join(build, "wineprefix"), audio=True, arch=arch) as session:
        for _ in range(options.runs):
            for output in ("directsound", "stream"):
                lines, left, right, recorder = run(session, probe, folder, output, TEMPO, options.seconds)
                r = analyse(lines, left, right, recorder)
                print(f"{output}, {TEMPO:g} BPM, {options.seconds:g} s: {r['steps']} steps, {r['heard']} heard, "
                      f"{r['reference']} reference clicks; load average {os.getloadavg()[0]:.2f}", flush=True)
                if "all_error_ms" in r:
                    p50, p95, p99, worst = r["all_error_ms"]
                    print(f"  interval error |e|, every interval: p50 {p50:.4f} ms, p95 {p95:.4f} ms, "
                          f"p99 {p99:.4f} ms, max {worst:.4f} ms", flush=True)
                if "error_ms" in r:
                    p50, p95, p99, worst = r["error_ms"]
                    print(f"  leaving out the {r['jumps']} intervals more than {JUMP_MS:g} ms off: p50 {p50:.4f} ms, "
                          f"p95 {p95:.4f} ms, p99 {p99:.4f} ms, max {worst:.4f} ms", flush=True)
                if "tempo_ppm" in r:
                    print(f"  tempo against the reference: {r['tempo_ppm_whole'][0]:+.1f} ppm over the whole run, "
                          f"{r['tempo_ppm'][0]:+.1f} ppm between those intervals "
                          f"(standard error {r['tempo_ppm'][1]:.1f})", flush=True)
                if "latency_ms" in r:
                    low, mid, high = r["latency_ms"]
                    print(f"  latency from due time to sound: median {mid:.1f} ms (p5 {low:.1f}, p95 {high:.1f})",
                          flush=True)
                print(f"  process CPU {cpu_percent(lines, options.seconds):.2f} % {stream_counts(lines)}", flush=True)
            for output in ("directsound", "stream"):
                lines, *_ = run(session, probe, folder, output, 3000, 20, listen=False)
                print(f"{output}, 3000 BPM, 20 s: {len([l for l in lines if l.startswith('TRIGGER')])} steps, "
                      f"process CPU {cpu_percent(lines, 20):.2f} % {stream_counts(lines)}", flush=True)
            lines, *_ = run(session, probe, folder, "stream", 3000, 20, mode="voices128", listen=False)
            print(f"stream, 128 voices at pitch +14, 3000 BPM, 20 s: process CPU {cpu_percent(lines, 20):.2f} % "
                  f"{stream_counts(lines)}", flush=True)


if __name__ == "__main__":
    main()
