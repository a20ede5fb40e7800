"""What ./run does without a display, through the same harness command
against the built program and demo: it ends by itself, twice in a row, with a
WAV recording that holds the demo's first measure and a screenshot, and says
where both are."""
import os
import subprocess
import sys
import tempfile
import unittest
import wave

sys.path.insert(0, os.path.dirname(__file__))
from demo_onsets import check_first_measure, read_wav  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HARNESS = os.path.join(REPO, "tools", "wine", "harness.py")
EXE = os.environ["STEPFORGE_EXE"]
DEMO = os.path.join(os.environ["STEPFORGE_DEMO_DIR"], "Demo.^&^")
PREFIX = os.environ["STEPFORGE_WINEPREFIX"]


def image_size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True)
    return tuple(int(v) for v in out.stdout.split())


class RunDemoTest(unittest.TestCase):
    def play(self, folder, seconds):
        recording, screenshot = os.path.join(folder, "run.wav"), os.path.join(folder, "run.png")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "STEPFORGE_DISPLAY")}
        result = subprocess.run(
            [sys.executable, HARNESS, "play", "--prefix", PREFIX, "--seconds", str(seconds),
             "--recording", recording, "--screenshot", screenshot, EXE, DEMO],
            env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=240)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn(recording, result.stdout)
        self.assertIn(screenshot, result.stdout)
        return recording, screenshot

    def test_plays_records_and_closes_twice_in_a_row(self):
        with tempfile.TemporaryDirectory(prefix="stepforge-run-") as folder:
            recording, screenshot = self.play(folder, 8)
            params, left, right = read_wav(recording)
            self.assertEqual((params.nchannels, params.sampwidth, params.framerate), (2, 2, 48000))
            self.assertGreaterEqual(params.nframes / 48000, 7.5)
            check_first_measure(self, left, right)
            self.assertEqual(image_size(screenshot), (707, 166))

            # The second run replaces both files; a short one is enough to tell.
            self.play(folder, 3)
            with wave.open(recording, "rb") as again:
                self.assertLess(again.getnframes() / 48000, 6)
            self.assertEqual(image_size(screenshot), (707, 166))


if __name__ == "__main__":
    unittest.main()
