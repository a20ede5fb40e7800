#!/usr/bin/env python3
"""Timing of the streaming output's two backends under Wine, heard against a
reference recorded in the same run.

tests/stream_probe.exe plays, through one backend (DirectSound: a looping
secondary buffer; WASAPI: a shared-mode event-driven stream), a 1 ms click on
the left channel every 5250 stream frames (a sixteenth at 126 BPM) with a
faint constant level between the clicks. Beside it `paplay` plays a reference
click track into the same PulseAudio sink, a click every 50 ms at exact
sample positions on the right channel, also with a faint level between. One
`parec` recording holds both. Each of the probe's onsets is placed on the
reference's timeline (interpolated between the recorded reference clicks
around it), so whatever the recording chain does to both alike cancels.

Wine's own stream into the sink (and now and then the reference's) misses a
mixing period at times: the sink plays silence meanwhile and what follows
comes late. Both tracks never fall silent by themselves, so such holes show
in the recording; an interval between onsets with a hole near it is one of
the recording chain's jumps, counted and left out of the interval errors,
and the tempo is fitted within the stretches between them.

Reported per run: interval error of consecutive onsets (its magnitude, p50,
p95, p99, max), tempo against the reference in ppm, the probe's underruns and
least margin, the position readings (step, residual SD of a line through
played frames against the clock, drift in ppm), process CPU while playing,
and the latency: when a click is heard, from the time the mix thread rendered
it and from the time the readings say it was played. The latency uses the
arrival times of the recording's blocks on Linux's raw monotonic clock, which
Wine's performance counter follows; it is good to a few milliseconds.

    tools/bench/stream_timing.py [--seconds 60] [--runs 3] [--lead 20] [--backends dsound,wasapi]
                                 [--wake 2] [--buffer 100] [--build BUILD-DIR] [--keep FOLDER]

BUILD-DIR defaults as in sequencer_timing.py. The first lines name the build
and the machine the figures come from.
"""
import argparse
import array
import os
import subprocess
import sys
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools", "wine"))
sys.path.insert(0, os.path.join(REPO, "tools", "bench"))
sys.path.insert(0, os.path.join(REPO, "tests", "wine"))
import harness  # noqa: E402
from audio_analysis import RATE, on_reference_timeline, reference_track, silent_runs, step_onsets  # noqa: E402
from sequencer_timing import cpu_seconds, percentile, print_setting  # noqa: E402
from tempo_accuracy import pooled_fit  # noqa: E402

STREAM_RATE = 44100
INTERVAL_FRAMES = 5250          # the probe's clicks
REFERENCE_INTERVAL = 2400       # the reference's clicks, 50 ms at 48 kHz
HOLE_MS = 0.07                  # exact silence this long (3 samples) in a track is a hole
FLOOR = 0.002                   # the faint level between both tracks' clicks


def raw_clock_ms():
    return time.clock_gettime(time.CLOCK_MONOTONIC_RAW) * 1000.0


class TimedRecorder:
    """parec from the sink's monitor, noting when each block arrives."""

    def __init__(self, session):
        self.process = subprocess.Popen(
            ["parec", "-d", "cap.monitor", "--format=float32le", f"--rate={RATE}", "--channels=2",
             "--latency-msec=5"], env=session.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.data = bytearray()
        self.arrivals = []  # (frames received so far, raw monotonic ms on arrival)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.process.stdout.fileno()
        while True:
            chunk = os.read(fd, 1 << 16)
            if not chunk:
                return
            now = raw_clock_ms()
            self.data += chunk
            self.arrivals.append((len(self.data) // 8, now))

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.thread.join(timeout=10)
        samples = array.array("f")
        samples.frombytes(bytes(self.data[:len(self.data) // 8 * 8]))
        return samples[0::2], samples[1::2]

    def heard_ms(self, index, window_ms=2000):
        """When the recording's sample `index` was in the sink, on the raw
        monotonic clock: no later than each block's arrival less the samples
        after it in that block; the earliest such bound near it."""
        at = index * 1000.0 / RATE
        bounds = [arrived - frames * 1000.0 / RATE for frames, arrived in self.arrivals
                  if abs(frames * 1000.0 / RATE - at) < window_ms]
        return min(bounds) + at if bounds else None


def run_probe(session, probe, folder, backend, seconds, lead, wake, buffer, keep=None):
    reference = os.path.join(folder, "reference.wav")
    recorder = TimedRecorder(session)
    time.sleep(0.3)
    player = session.start_playing(reference)
    time.sleep(0.5)
    process = session.start(probe, backend, str(seconds), str(INTERVAL_FRAMES), str(lead), str(wake), str(buffer),
                            stdout=subprocess.PIPE)
    lines, counter_offset = [], None
    cpu_start = cpu_stop = wall_start = wall_stop = None
    for raw_line in process.stdout:
        line = raw_line.decode(errors="replace").strip()
        lines.append(line)
        if line.startswith("COUNTER_MS"):
            counter_offset = raw_clock_ms() - float(line.split()[1])
        elif line.startswith("START"):
            cpu_start, wall_start = cpu_seconds(process.pid), time.monotonic()
        elif line == "STOPPING":
            cpu_stop, wall_stop = cpu_seconds(process.pid), time.monotonic()
    process.wait()
    time.sleep(1.0)
    player.terminate()
    left, right = recorder.stop()
    if keep:
        # What the analysis reads, to look at again: the recording (float32 stereo at 48 kHz), the probe's
        # lines and the recording's block arrivals.
        os.makedirs(keep, exist_ok=True)
        name = os.path.join(keep, f"{backend}-{time.strftime('%H%M%S')}")
        with open(name + ".raw", "wb") as out:
            out.write(recorder.data)
        with open(name + ".txt", "w") as out:
            out.write("\n".join(lines) + "\n")
            out.write("".join(f"ARRIVAL {frames} {at:.3f}\n" for frames, at in recorder.arrivals))
    if any(line.startswith("ERROR") for line in lines) or wall_start is None:
        return {"error": next((line for line in lines if line.startswith("ERROR")), "the probe did not start")}
    result = analyse(left, right, lines, recorder)
    result["cpu"] = 100.0 * (cpu_stop - cpu_start) / (wall_stop - wall_start)
    result["load"] = os.getloadavg()[0]
    result["counter_offset"] = counter_offset
    return result


def field(lines, key):
    return next((line.split()[1:] for line in lines if line.split()[:1] == [key]), None)


def analyse(left, right, lines, recorder):
    nominal = INTERVAL_FRAMES * RATE / STREAM_RATE  # recorded samples between the probe's clicks
    heights = step_onsets(left)
    theirs = [t for t, _ in step_onsets(right)]
    # The stream's first frame is where the left channel's faint level begins.
    start = next((i for i, x in enumerate(left) if abs(x) > FLOOR / 4), 0)
    holes = []
    if heights:
        holes += silent_runs(left, start, int(heights[-1][0]), HOLE_MS)
    if theirs:
        holes += silent_runs(right, int(theirs[0]), int(theirs[-1]), HOLE_MS)
    holes.sort()

    def near_hole(a, b):
        return any(begin < b + REFERENCE_INTERVAL and end > a - REFERENCE_INTERVAL for begin, end in holes)

    number_of = number_clicks(heights, start, nominal, holes)
    ours = [t for t, _ in heights if t in number_of]
    placed = on_reference_timeline(ours, theirs, REFERENCE_INTERVAL)
    numbers = [number_of[t] for t, _ in placed]
    errors, stretches, current, left_out, lost = [], [], [], 0, 0
    for k in range(len(placed)):
        if k and not near_hole(placed[k - 1][0], placed[k][0]):
            steps = numbers[k] - numbers[k - 1]
            lost += steps - 1
            errors.append(abs(placed[k][1] - placed[k - 1][1] - steps * nominal) * 1000.0 / RATE)
        elif k:
            left_out += 1
            stretches.append(current)
            current = []
        current.append((numbers[k], placed[k][1] * 1000.0 / RATE))
    stretches.append(current)
    stretches = [s for s in stretches if len(s) >= 3]
    result = {
        "onsets": len(ours), "unnumbered": len(heights) - len(ours), "placed": len(placed), "reference_clicks": len(theirs), "lost": lost,
        "holes": [(end - begin) * 1000.0 / RATE for begin, end in holes], "left_out": left_out,
        "underruns": int(field(lines, "UNDERRUNS")[0]), "margin_ms": float(field(lines, "LEAST_MARGIN_MS")[0]),
        "device": " ".join(field(lines, "DEVICE") or []), "lead": field(lines, "LEAD"),
        "first_second": next((line for line in lines if line.startswith("FIRST_SECOND")), ""),
        "readings": next((line for line in lines if line.startswith("READINGS")), ""),
        "position": next((line for line in lines if line.startswith("POSITION_STEP")), ""),
        "jumps": next((line for line in lines if line.startswith("JUMPS")), ""),
        "between": next((line for line in lines if line.startswith("BETWEEN_JUMPS")), ""),
        "wakes": next((line for line in lines if line.startswith("WAKE_GAP")), ""),
        "ahead": next((line for line in lines if line.startswith("WRITTEN_AHEAD")), ""),
    }
    if errors:
        result["error_ms"] = [percentile(errors, p) for p in (0.5, 0.95, 0.99, 1.0)]
    if stretches:
        slope, standard_error = pooled_fit([([n for n, _ in s], [t for _, t in s]) for s in stretches])
        step_ms = INTERVAL_FRAMES * 1000.0 / STREAM_RATE
        result["tempo_ppm"] = ((slope / step_ms - 1) * 1e6, standard_error / step_ms * 1e6)
    # The reference clicks' own scatter about a line through them, between holes.
    result["reference_sd_ms"] = reference_scatter(theirs, holes)
    result["latency"] = latencies(number_of, lines, recorder)
    return result


def number_clicks(heights, start, nominal, holes):
    """The probe's number of each recorded onset: the one nearest to what the
    gaps since the previous onset say whose burst height tells the same
    number modulo 8. A gap alone cannot tell across a hole: an underrun of
    ours plays silence in place of frames and keeps the gap, a hole of the
    recording chain delays what follows by its length. An onset that fits no
    number (a burst a hole cut in two) is left out."""
    number_of, previous = {}, None
    for t, height in heights:
        code = round((height - 0.30) / 0.05) % 8
        estimate = (t - start) / nominal if previous is None else number_of[previous] + (t - previous) / nominal
        candidates = [n for n in range(round(estimate) - 4, round(estimate) + 5)
                      if n % 8 == code and (previous is None or n > number_of[previous])]
        hole_between = any(begin < t and end > (previous if previous is not None else start) for begin, end in holes)
        best = min(candidates, key=lambda n: abs(n - estimate)) if candidates else None
        if best is None or (previous is not None and not hole_between and abs(best - estimate) > 0.25):
            continue
        number_of[t] = best
        previous = t
    return number_of


def reference_scatter(theirs, holes):
    stretch, stretches = [], []
    for a, b in zip(theirs, theirs[1:]):
        stretch.append(a)
        if any(start < b and end > a for start, end in holes):
            stretches.append(stretch)
            stretch = []
    stretches.append(stretch)
    pairs = []
    for s in stretches:
        if len(s) < 3:
            continue
        xs = [round((t - s[0]) / REFERENCE_INTERVAL) for t in s]
        pairs.append((xs, s))
    if not pairs:
        return None
    slope, _ = pooled_fit(pairs)
    residuals = []
    for xs, ys in pairs:
        mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
        residuals += [y - my - slope * (x - mx) for x, y in zip(xs, ys)]
    return (sum(r * r for r in residuals) / len(residuals)) ** 0.5 * 1000.0 / RATE


def latencies(number_of, lines, recorder):
    """Heard time of each click on the raw monotonic clock against when the
    mix thread rendered it, and against when the readings say its frame was
    played: the medians of the first and the last quarter of the run."""
    clicks = {int(parts[1]): (float(parts[2]), float(parts[3])) for parts in (line.split() for line in lines)
              if parts[:1] == ["CLICK"]}
    after_render, after_reading = [], []
    for recorded, number in sorted(number_of.items()):
        heard = recorder.heard_ms(recorded)
        if heard is None or number not in clicks:
            continue
        rendered, played = clicks[number]
        after_render.append(heard - rendered)
        if played > 0:
            after_reading.append(heard - played)
    if not after_render:
        return None
    quarter = max(1, len(after_render) // 4)
    out = {"after_render": (percentile(after_render[:quarter], 0.5), percentile(after_render[-quarter:], 0.5))}
    if after_reading:
        quarter = max(1, len(after_reading) // 4)
        out["after_reading"] = (percentile(after_reading[:quarter], 0.5), percentile(after_reading[-quarter:], 0.5))
    return out


def describe(backend, r):
    if "error" in r:
        return f"{backend}: {r['error']}"
    text = [f"{backend}: {r['device']}"]
    lead = f"lead {r['lead'][3]} ms" if r["lead"] else "lead ?"
    text.append(f"  {lead}; underruns {r['underruns']}; least margin {r['margin_ms']:.1f} ms; "
                f"process CPU {r['cpu']:.2f} %; load average {r['load']:.2f} at the end")
    text.append(f"  {r['onsets']} onsets ({r['unnumbered']} more cut by holes), {r['placed']} on the reference's "
                f"timeline, {r['lost']} lost; "
                f"{r['reference_clicks']} reference clicks (SD {r['reference_sd_ms'] or 0:.3f} ms about their line)")
    holes = r["holes"]
    text.append(f"  recording chain: {len(holes)} holes" +
                (f" ({', '.join(f'{h:.1f}' for h in holes[:12])}{' ...' if len(holes) > 12 else ''} ms)" if holes else "")
                + f", {r['left_out']} intervals left out")
    if "error_ms" in r:
        p50, p95, p99, worst = r["error_ms"]
        text.append(f"  interval error |e|: p50 {p50:.4f} ms, p95 {p95:.4f} ms, p99 {p99:.4f} ms, max {worst:.4f} ms")
    if "tempo_ppm" in r:
        text.append(f"  tempo against the reference: {r['tempo_ppm'][0]:+.2f} ppm (standard error {r['tempo_ppm'][1]:.2f})")
    for key in ("first_second", "readings", "position", "jumps", "between", "wakes", "ahead"):
        if r[key]:
            text.append("  " + r[key])
    latency = r.get("latency")
    if latency and r.get("counter_offset") is not None and abs(r["counter_offset"]) < 50:
        a, b = latency["after_render"]
        parts = [f"heard {a:.1f} / {b:.1f} ms after rendering (first / last quarter)"]
        if "after_reading" in latency:
            a, b = latency["after_reading"]
            parts.append(f"{a:.1f} / {b:.1f} ms after the readings say it played")
        text.append("  latency: " + "; ".join(parts))
    elif r.get("counter_offset") is not None:
        text.append(f"  latency: not measured (the performance counter is {r['counter_offset']:.0f} ms off the raw clock)")
    if r.get("counter_offset") is not None:
        text[-1] += f" [counter line seen {r['counter_offset']:.1f} ms after it was printed]"
    return "\n".join(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--runs", type=int, default=3, help="runs per backend, alternating")
    parser.add_argument("--lead", type=float, default=20, help="the lead in ms")
    parser.add_argument("--wake", type=int, default=2, help="ms between the DirectSound mix thread's wakes")
    parser.add_argument("--buffer", type=int, default=100, help="the WASAPI stream buffer asked for, in ms")
    parser.add_argument("--backends", default="dsound,wasapi")
    parser.add_argument("--build", default=None)
    parser.add_argument("--keep", default=None, help="a folder to keep each run's recording and probe output in")
    options = parser.parse_args()
    build = os.path.abspath(options.build or harness.default_build_dir())
    probe = os.path.join(build, "tests", "stream_probe.exe")
    arch = harness.pe_arch(probe)
    print_setting(arch, build)
    folder = tempfile.mkdtemp(prefix="stepforge-stream-")
    with open(os.path.join(folder, "reference.wav"), "wb") as out:
        out.write(reference_track(options.seconds + 30, REFERENCE_INTERVAL, floor=FLOOR))
    with harness.WineSession(os.path.join(build, "wineprefix"), audio=True, arch=arch) as session:
        for run in range(options.runs):
            for backend in options.backends.split(","):
                try:
                    r = run_probe(session, probe, folder, backend, options.seconds, options.lead, options.wake,
                                  options.buffer, options.keep)
                except (ValueError, IndexError, TypeError, ZeroDivisionError) as error:
                    r = {"error": f"the run could not be analysed: {error!r}"}
                print(f"run {run + 1}, " + describe(backend, r), flush=True)


if __name__ == "__main__":
    main()
