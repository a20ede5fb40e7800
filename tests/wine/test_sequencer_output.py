"""The sequencer on the real clock, multimedia timer and DirectSound under
Wine: steps fall due on the grid measured from the start, the recorded output
has its onsets at the step times, swing is heard, and stopping kills the
timer."""
import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
import harness  # noqa: E402
from audio_analysis import RATE, onsets  # noqa: E402

PROBE = os.environ["STEPFORGE_SEQUENCER_PROBE"]
PREFIX = os.environ.get("STEPFORGE_WINEPREFIX")
INTERVAL_MS = 119.047613  # 126 BPM
TOLERANCE_MS = 30  # a loaded machine must not make this flaky; precision is the benchmark's
SWING_DELAY_MS = INTERVAL_MS * (667 - 500) / 500  # triplet swing: a third of a step


def click_wav():
    rate = 44100
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

    def test_stopping_kills_the_timer(self):
        self.assertEqual(self.values["TIMER_ACTIVE"], ["0"])
        self.assertEqual(self.values["LATE_TRIGGERS"], ["0"])
        self.assertEqual(len(self.onsets_ms), len(self.triggers), "no sound after the stop")


if __name__ == "__main__":
    unittest.main()
