"""The sequencer on the real clock, multimedia timer and DirectSound under
Wine: steps fall due on the grid measured from the start, the recorded output
has its onsets at the step times, swing is heard, and stopping kills the
timer. Through the sample-accurate stream, every step is heard exactly one
step after the one before, measured against a reference click track played
into the same sink."""
import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
import harness  # noqa: E402
from audio_analysis import RATE, on_reference_timeline, onsets, reference_track, step_onsets  # noqa: E402

PROBE = os.environ["STEPFORGE_SEQUENCER_PROBE"]
PREFIX = os.environ.get("STEPFORGE_WINEPREFIX")
INTERVAL_MS = 119.047613  # 126 BPM
TOLERANCE_MS = 30  # a loaded machine must not make this flaky; precision is the benchmark's
SWING_DELAY_MS = INTERVAL_MS * (667 - 500) / 500  # triplet swing: a third of a step


REFERENCE_INTERVAL = 4800  # samples at 48 kHz: a reference click every 100 ms


def click_wav(step=False):
    """A decaying 2 kHz burst, or (step) 3 ms of a flat level whose front a
    half-height crossing places to a fraction of a sample."""
    rate = 44100
    if step:
        frames = [0.8] * 132
    else:
        frames = [0.8 * math.exp(-i / (0.004 * rate)) * math.sin(2 * math.pi * 2000 * i / rate) for i in range(882)]
    data = b"".join(struct.pack("<h", int(32767 * x)) for x in frames)
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


class SequencerOutputTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="stepforge-clicks-")
        with open(os.path.join(cls.folder, "click.wav"), "wb") as out:
            out.write(click_wav())
        with harness.WineSession(PREFIX, audio=True) as session:
            session.start_recording(os.path.join(cls.folder, "out.raw"))
            probe = session.start(PROBE, "Z:" + cls.folder.replace("/", "\\"), "126", "4", "tsc",
                                  stdout=subprocess.PIPE)
            output, _ = probe.communicate(timeout=120)
            cls.exit_code = probe.returncode
            left, _ = session.stop_recording()
            session.start_recording(os.path.join(cls.folder, "swing.raw"))
            swung = session.start(PROBE, "Z:" + cls.folder.replace("/", "\\"), "126", "4", "tsc", "play", "667")
            cls.swung_exit_code = swung.wait(timeout=120)
            cls.swung_onsets_ms = [i * 1000.0 / RATE for i in onsets(session.stop_recording()[0])]

            # The stream, heard beside a reference click track in the same sink.
            steps = os.path.join(cls.folder, "steps")
            os.makedirs(steps)
            with open(os.path.join(steps, "click.wav"), "wb") as out:
                out.write(click_wav(step=True))
            reference = os.path.join(cls.folder, "reference.wav")
            with open(reference, "wb") as out:
                out.write(reference_track(9, REFERENCE_INTERVAL))
            session.start_recording(os.path.join(cls.folder, "stream.raw"))
            session.start_playing(reference)
            streamed = session.start(PROBE, "Z:" + steps.replace("/", "\\"), "126", "6", "tsc", "play", "500",
                                     "stream", stdout=subprocess.PIPE)
            stream_output, _ = streamed.communicate(timeout=120)
            cls.stream_exit_code = streamed.returncode
            cls.stream_lines = stream_output.decode(errors="replace").splitlines()
            cls.stream_left, cls.stream_right = session.stop_recording()
        cls.lines = output.decode(errors="replace").splitlines()
        cls.values = {}
        cls.triggers = []
        for line in cls.lines:
            words = line.split()
            if words and words[0] == "TRIGGER":
                cls.triggers.append(int(words[2]))
            elif words:
                cls.values[words[0]] = words[1:]
        cls.onsets_ms = [i * 1000.0 / RATE for i in onsets(left)]

    def test_steps_fall_due_on_the_grid_from_the_start(self):
        self.assertEqual(self.exit_code, 0, "\n".join(self.lines[:20]))
        start = int(self.values["START"][0])
        self.assertGreaterEqual(len(self.triggers), 32)
        for k, t in enumerate(self.triggers):
            error = t - start - k * INTERVAL_MS
            self.assertGreaterEqual(error, -1.0, f"step {k} early")
            self.assertLess(error, TOLERANCE_MS, f"step {k} late by {error:.1f} ms")

    def test_recorded_onsets_sit_at_the_step_times(self):
        self.assertGreaterEqual(len(self.onsets_ms), len(self.triggers) - 1)
        first = self.onsets_ms[0]
        for k, at in enumerate(self.onsets_ms[:len(self.triggers)]):
            self.assertAlmostEqual(at - first, k * INTERVAL_MS, delta=TOLERANCE_MS, msg=f"onset {k}")

    def test_swing_is_heard_every_second_step(self):
        self.assertEqual(self.swung_exit_code, 0)
        onsets_ms = self.swung_onsets_ms
        self.assertGreaterEqual(len(onsets_ms), 32)
        # Each late step against the middle of its neighbours. DirectSound puts
        # every onset on Wine's 10 ms mixing lattice; the average is off it.
        delays = [onsets_ms[k] - (onsets_ms[k - 1] + onsets_ms[k + 1]) / 2 for k in range(1, len(onsets_ms) - 1, 2)]
        self.assertAlmostEqual(sum(delays) / len(delays), SWING_DELAY_MS, delta=5, msg=delays)

    def test_the_stream_sounds_every_step_exactly_one_step_after_the_one_before(self):
        self.assertEqual(self.stream_exit_code, 0, "\n".join(self.stream_lines[:20]))
        counts = next(line.split()[1:] for line in self.stream_lines if line.startswith("STREAM"))
        reference = [at for at, _ in step_onsets(self.stream_right, detect=0.25)]
        heard = [at for at, _ in step_onsets(self.stream_left)]
        placed = [ideal for _, ideal in on_reference_timeline(heard, reference, REFERENCE_INTERVAL)]
        errors = sorted(abs((b - a) * 1000.0 / RATE - INTERVAL_MS) for a, b in zip(placed, placed[1:]))
        self.assertGreaterEqual(len(errors), 35, f"{len(heard)} steps heard, {len(reference)} reference clicks")
        # DirectSound's buffers start on a 10 ms lattice: nine intervals in ten
        # are about 1 ms off. A gap the stream's own path to the sink left now
        # and then (a missed period under load) may put a few further off.
        within = sum(1 for e in errors if e <= 0.1)
        self.assertGreaterEqual(within, 0.8 * len(errors),
                                f"intervals off by (ms): {[round(e, 3) for e in errors]}; late, dropped, underruns: {counts}")
        self.assertLess(errors[len(errors) // 2], 0.05, "the median interval error (ms)")

    def test_stopping_kills_the_timer(self):
        self.assertEqual(self.values["TIMER_ACTIVE"], ["0"])
        self.assertEqual(self.values["LATE_TRIGGERS"], ["0"])
        self.assertEqual(len(self.onsets_ms), len(self.triggers), "no sound after the stop")


if __name__ == "__main__":
    unittest.main()
