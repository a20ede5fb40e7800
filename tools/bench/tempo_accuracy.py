#!/usr/bin/env python3
"""How true the tempo is to real time, from the recorded output.

For each clock source (time-stamp counter "tsc", performance counter "qpc"),
sequencer_probe.exe plays a click on every step at 126 BPM through the real
sequencer, clock, multimedia timer and DirectSound while the private
PulseAudio sink is recorded. A straight line fitted through the recorded
onsets (onset time against step number) gives the mean step; its error in
parts per million of 15,000 / 126 ms is reported with the fit's standard
error. The recording's timeline jumps now and then by a mixing period or
more (Wine's mixer misses its period and the sink plays silence meanwhile),
which would tilt a single line by a hundred ppm or more: the line is fitted
within the stretches between such jumps, each stretch with its own offset. Wine's DirectSound starts each sound on its next 10 ms mixing period,
so single onsets scatter by a few milliseconds; a minute of them fixes the
mean step to several ppm.

Each start measures the time-stamp counter's rate anew. The probe also reads
both counters together when playing starts and stops, which gives the
counter's true rate over the run: the calibration error against the
performance counter is reported from that, to a small fraction of a ppm.

    tools/bench/tempo_accuracy.py [--seconds 60] [--runs 1] [--build BUILD-DIR] [--probe EXE]

--probe measures another sequencer_probe.exe (an older build, say) instead.
"""
import argparse
import os
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tools", "bench"))
sys.path.insert(0, os.path.join(REPO, "tests", "wine"))
import harness  # noqa: E402
from audio_analysis import RATE, onsets  # noqa: E402
from sequencer_timing import click_wav, interval_ms, print_setting  # noqa: E402

TEMPO = 126
# A long capture buffer, so that the recording keeps up on a busy machine.
CAPTURE_LATENCY_MS = 250


def median(values):
    ordered = sorted(values)
    return ordered[len(ordered) // 2]


def find_jumps(residuals, window=15, threshold=6.0):
    """Where the onsets' offsets from the grid step by more than the mixing
    period's scatter and stay there: the recording's timeline jumped (on a
    loaded machine the output or its capture falls behind for a moment now
    and then). Returns the indices where new stretches begin."""
    jumps = []
    n = len(residuals)
    step_at = lambda j: median(residuals[j:j + window]) - median(residuals[j - window:j])  # noqa: E731
    i = window
    while i <= n - window:
        if abs(step_at(i)) > threshold:
            best = max(range(i, min(n - window, i + window) + 1), key=lambda j: abs(step_at(j)))
            jumps.append(best)
            i = best + window
        else:
            i += 1
    return jumps


def pooled_fit(stretches):
    """One slope through several stretches of (x, y), each with its own
    offset: (slope, standard error)."""
    sxx = sxy = 0.0
    centred = []
    for xs, ys in stretches:
        mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
        pairs = [(x - mx, y - my) for x, y in zip(xs, ys)]
        centred.append(pairs)
        sxx += sum(x * x for x, _ in pairs)
        sxy += sum(x * y for x, y in pairs)
    b = sxy / sxx
    count = sum(len(p) for p in centred)
    residual = sum((y - b * x) ** 2 for pairs in centred for x, y in pairs) / max(1, count - 1 - len(centred))
    return b, (residual / sxx) ** 0.5


def fit_steps(steps, onsets_ms):
    """The mean step through the onsets, within the stretches between jumps
    of the recording's timeline: (mean step, standard error, jump sizes).
    Jumps are looked for in the offsets from the line found so far, so that
    a clock that is simply fast or slow shows no jumps."""
    slope, error = pooled_fit([(steps, onsets_ms)])
    cuts = []
    for _ in range(3):
        residuals = [t - k * slope for k, t in zip(steps, onsets_ms)]
        cuts = find_jumps(residuals)
        bounds = [0] + cuts + [len(steps)]
        stretches = [(steps[a:b], onsets_ms[a:b]) for a, b in zip(bounds, bounds[1:]) if b - a >= 2]
        slope, error = pooled_fit(stretches)
    residuals = [t - k * slope for k, t in zip(steps, onsets_ms)]
    sizes = [median(residuals[c:c + 15]) - median(residuals[c - 15:c]) for c in cuts]
    return slope, error, sizes


def run(session, probe, folder, seconds, source):
    raw = os.path.join(folder, "out.raw")
    session.start_recording(raw, latency_msec=CAPTURE_LATENCY_MS)
    args = ["Z:" + folder.replace("/", "\\"), str(TEMPO), str(seconds), source, "play"]
    process = session.start(probe, *args, stdout=subprocess.PIPE)
    output, _ = process.communicate(timeout=seconds + 120)
    left, _ = session.stop_recording()
    lines = output.decode(errors="replace").splitlines()
    clock = next(line.split() for line in lines if line.startswith("CLOCK"))
    counters = [[int(v) for v in line.split()[1:]] for line in lines if line.startswith("COUNTERS")]

    step = interval_ms(TEMPO)
    found = [i * 1000.0 / RATE for i in onsets(left, threshold=0.05, quiet_ms=40)]
    # Step numbers from the gaps between neighbours, so that neither a jump of
    # the recording nor a lost onset shifts the numbers of all that follow.
    steps = [0]
    for before, at in zip(found, found[1:]):
        steps.append(steps[-1] + max(1, round((at - before) / step)))
    slope, error, jumps = fit_steps(steps, found)
    result = {
        "source": clock[1],
        "ticks_per_ms": int(clock[2]),
        "onsets": len(found),
        "jumps": jumps,
        "span_steps": steps[-1] - steps[0],
        "ppm": (slope / step - 1) * 1e6,
        "ppm_error": error / step * 1e6,
    }
    if len(counters) == 2 and clock[1] == "tsc":
        (tsc0, qpc0, frequency), (tsc1, qpc1, _) = counters
        true_rate = (tsc1 - tsc0) / ((qpc1 - qpc0) * 1000.0 / frequency)
        # A rate set too high makes the clock's milliseconds too long: steps too long.
        result["calibration_ppm"] = (result["ticks_per_ms"] / true_rate - 1) * 1e6
    return result


def describe(r):
    text = (f"{r['source']}: mean step {r['ppm']:+7.1f} ppm (standard error {r['ppm_error']:.1f}) from "
            f"{r['onsets']} onsets over {r['span_steps']} steps")
    if r["jumps"]:
        text += f" (fitted between {len(r['jumps'])} jumps of the recording: " + \
            ", ".join(f"{j:+.0f} ms" for j in r["jumps"]) + ")"
    if "calibration_ppm" in r:
        text += f"; rate {r['ticks_per_ms']} ticks/ms, {r['calibration_ppm']:+.2f} ppm off the performance counter"
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--runs", type=int, default=1, help="starts per clock source")
    parser.add_argument("--build", default=None)
    parser.add_argument("--probe", default=None, help="another sequencer_probe.exe to measure")
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    probe = os.path.abspath(options.probe or os.path.join(build, "tests", "sequencer_probe.exe"))
    arch = harness.pe_arch(probe)
    print_setting(arch, probe)
    folder = tempfile.mkdtemp(prefix="stepforge-tempo-")
    with open(os.path.join(folder, "click.wav"), "wb") as out:
        out.write(click_wav())
    with harness.WineSession(os.path.join(build, "wineprefix"), audio=True, arch=arch) as session:
        for _ in range(options.runs):
            for source in ("tsc", "qpc"):
                print(describe(run(session, probe, folder, options.seconds, source)), flush=True)


if __name__ == "__main__":
    main()
