"""Setup files, sounds and the clipboard through the real program: a file
named on the command line opens with its sounds, each step sounds the file
its sound names at the step times, two running copies share a measure on the
clipboard, and the registry holds the association and the preference."""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from audio_analysis import RATE, frequency, onsets, steady_part  # noqa: E402
from setup_writer import setup_file_bytes  # noqa: E402
from test_editor_window import Screen, column_x  # noqa: E402

EXE = os.environ["STEPFORGE_EXE"]
PREFIX = os.environ.get("STEPFORGE_WINEPREFIX")
TONES = [440.0, 550.0, 660.0, 880.0]


def tone_wav(hz, seconds=0.15, rate=44100):
    count = int(seconds * rate)
    frames = [0.6 * math.sin(2 * math.pi * hz * i / rate) * min(1.0, (count - i) / 400.0) for i in range(count)]
    data = b"".join(struct.pack("<h", int(32767 * x)) for x in frames)
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class FilesAndSoundsTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="stepforge-files-")
        self.session = harness.WineSession(PREFIX, audio=True).__enter__()
        self.addCleanup(self.session.close)

    def make_kit(self):
        kit = os.path.join(self.folder, "tones")
        os.mkdir(kit)
        # Written out of name order: the sound list still follows the names.
        for name, hz in reversed(list(zip("abcd", TONES))):
            with open(os.path.join(kit, name + ".wav"), "wb") as out:
                out.write(tone_wav(hz))
        return kit

    def test_each_step_sounds_the_file_its_sound_names_at_the_step_times(self):
        kit = self.make_kit()
        steps = {(0, s): (1, 0, s, 127, 64, 64) for s in range(4)}
        setup = os.path.join(self.folder, "tones.^&^")
        with open(setup, "wb") as out:
            out.write(setup_file_bytes(windows_path(kit), steps, tempo=60.0, steps_per_measure=4))
        process = self.session.start(EXE, windows_path(setup))
        window = self.session.wait_window(timeout=60)
        self.assertIn("tones.^&^ using: tones", self.session.window_name(window))
        time.sleep(2.5)  # the sound stream opened at start settles (see harness.play_setup)
        self.session.start_recording(os.path.join(self.folder, "out.raw"))
        self.session.key(window, "space")
        time.sleep(2.6)
        self.session.key(window, "space")
        left, right = self.session.stop_recording()
        found = onsets(left, threshold=0.05, quiet_ms=40)
        self.assertGreaterEqual(len(found), 8)
        heard = []
        for i in found[:8]:
            hz = frequency(left, *steady_part(left, right, i + int(0.02 * RATE), i + int(0.12 * RATE), shortest_ms=50))
            heard.append(min(range(4), key=lambda k: abs(TONES[k] - hz)))
            self.assertAlmostEqual(hz, TONES[heard[-1]], delta=TONES[heard[-1]] * 0.02)
        self.assertEqual(heard, [0, 1, 2, 3, 0, 1, 2, 3], "steps in order, each with its own file")
        gaps = [(b - a) * 1000.0 / RATE for a, b in zip(found, found[1:8])]
        for gap in gaps:
            self.assertAlmostEqual(gap, 250.0, delta=30, msg="a step every 250 ms at 60 BPM")
        self.session.key(window, "alt+F4")
        self.assertEqual(self.session.wait_exit(process), 0, "an opened, unedited file closes without a question")

    def test_a_measure_copied_in_one_copy_pastes_into_another(self):
        # Each copy opens a file that places its window, so the two do not overlap.
        kit = self.make_kit()
        files = []
        for name, top in (("upper.^&^", 20), ("lower.^&^", 400)):
            files.append(os.path.join(self.folder, name))
            with open(files[-1], "wb") as out:
                out.write(setup_file_bytes(windows_path(kit), {(0, s): (1, 0, 0, 100, 64, 64) for s in range(16)},
                                           left=20, top=top))
        first = self.session.start(EXE, windows_path(files[0]))
        window1 = self.session.wait_window("upper", timeout=60)
        # The second as a Linux user names it: the Unix path (Wine's shell
        # faulted on a path that starts with a slash).
        second = self.session.start(EXE, files[1])
        window2 = self.session.wait_window("lower", timeout=60)
        time.sleep(1.0)
        on_buttons = [(column_x(k) + 12, 2 + 30, 17, 17) for k in range(1, 17)]
        before = Screen(self.session, window2, self.folder, "second-before")
        # Steps 3 and 7 off in the first copy, then copied.
        for k in (3, 7):
            self.session.click(window1, column_x(k) + 20, 2 + 38)
        time.sleep(0.3)
        # Without a window manager a copy takes keys only once a click made it active:
        # the name plate of the picture takes clicks harmlessly.
        self.session.click(window1, 30, 45)
        self.session.key(window1, "ctrl+c")
        time.sleep(0.3)
        self.session.click(window2, 30, 45)
        self.session.key(window2, "ctrl+v")
        time.sleep(0.8)
        after = Screen(self.session, window2, self.folder, "second-after")
        changed = [k for k, area in enumerate(on_buttons, 1) if before.region(*area) != after.region(*area)]
        self.assertEqual(changed, [3, 7])
        for process, window in ((first, window1), (second, window2)):
            self.session.click(window, 30, 45)
            self.session.key(window, "alt+F4")
            question = harness.wait_until(lambda: self.session.find_windows("\u20ac \u00a7 \u00b6"), 20,
                                          what="the save-changes question")[0]
            self.session.key(question, "d")
            self.assertEqual(self.session.wait_exit(process), 0)

    def test_the_registry_holds_the_association_and_the_preference(self):
        def clear_registry():
            for key in ("HKCR\\.^&^", "HKCR\\Stepforge", "HKCU\\Software\\Classes\\.^&^",
                        "HKCU\\Software\\Classes\\Stepforge"):
                subprocess.run([self.session.loader, "reg", "delete", key, "/f"], env=self.session.env,
                               capture_output=True)
        clear_registry()
        # The preference switched off here must not reach the other tests sharing the prefix.
        self.addCleanup(clear_registry)
        # A copy of the program in another folder: the association names where it ran.
        moved = os.path.join(self.folder, "elsewhere")
        os.mkdir(moved)
        exe = os.path.join(moved, "Stepforge.exe")
        shutil.copy(EXE, exe)
        process = self.session.start(exe)
        window = self.session.wait_window(timeout=60)
        command = self.session.reg_query("HKCR\\Stepforge\\shell\\open\\command", "")
        self.assertEqual(command, windows_path(exe) + " %1")
        self.assertEqual(self.session.reg_query("HKCR\\.^&^", ""), "Stepforge")
        self.assertEqual(self.session.reg_query("HKCR\\Stepforge", ""), "Stepforge Settings File")
        self.assertEqual(self.session.reg_query("HKCR\\Stepforge\\DefaultIcon", ""), windows_path(exe) + ",1")
        self.assertIsNone(self.session.reg_query("HKCR\\Stepforge\\data\\8", "highResTimer"), "no preference yet")

        # Options menu, third item: "Use High-Res Timer".
        self.session.click(window, 22 + 36 + 8, 4 + 7)
        time.sleep(0.8)
        subprocess.run(["xdotool", "key", "Down", "Down", "Down", "Return"], env=self.session.env)
        time.sleep(0.8)
        self.assertEqual(self.session.reg_query("HKCR\\Stepforge\\data\\8", "highResTimer"), "off")
        self.session.key(window, "alt+F4")
        self.assertEqual(self.session.wait_exit(process), 0)


if __name__ == "__main__":
    unittest.main()
