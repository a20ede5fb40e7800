"""The editor window as a person uses it: Stepforge.exe under Wine, clicked
and typed at with xdotool, and what it shows compared with what was done."""
import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from setup_writer import setup_file_bytes  # noqa: E402

EXE = os.environ["STEPFORGE_EXE"]
PREFIX = os.environ.get("STEPFORGE_WINEPREFIX")


def close_colours(a, b, tolerance=24):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def column_x(k):
    return 94 + 38 * (k - 1)


class Screen:
    """Pixels of one screenshot of the window, read through ImageMagick."""

    def __init__(self, session, window, folder, name):
        path = session.screenshot(os.path.join(folder, name + ".png"), window)
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        self.width, self.height = [int(v) for v in subprocess.run(
            ["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True).stdout.split()]
        self.raw = raw

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.raw[i:i + 3])

    def region(self, x, y, w, h):
        return [self.pixel(x + dx, y + dy) for dy in range(h) for dx in range(w)]


class EditorWindowTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="stepforge-editor-")
        self.session = harness.WineSession(PREFIX, audio=True).__enter__()
        self.addCleanup(self.session.close)
        self.process = self.session.start(EXE)
        self.window = self.session.wait_window(timeout=60)
        time.sleep(1.0)

    def shot(self, name):
        return Screen(self.session, self.window, self.folder, name)

    def test_a_click_toggles_a_step_and_the_picture_follows(self):
        on_button = (column_x(3) + 12, 2 + 30, 17, 17)
        before = self.shot("before").region(*on_button)
        self.session.click(self.window, column_x(3) + 20, 2 + 38)
        time.sleep(0.5)
        after = self.shot("after").region(*on_button)
        self.assertTrue(before != after, "the on button shows the step off")
        self.session.click(self.window, column_x(3) + 20, 2 + 38)
        time.sleep(0.5)
        self.assertTrue(self.shot("again").region(*on_button) == before, "and on again")

    def test_the_step_lamp_and_the_playing_mark_follow_playback(self):
        lamps = [(column_x(k) + 12, 2 + 2, 23, 16) for k in range(1, 17)]
        measure1 = (79, 144, 10, 18)
        idle = self.shot("idle")
        idle_lamps = [idle.region(*lamp) for lamp in lamps]
        self.session.key(self.window, "space")
        lit = []
        for i in range(4):
            time.sleep(0.23)
            screen = self.shot(f"playing{i}")
            changed = [k for k, lamp in enumerate(lamps) if screen.region(*lamp) != idle_lamps[k]]
            self.assertLessEqual(len(changed), 1, "one lamp at a time")
            lit += changed
            if i == 0:
                self.assertTrue(screen.region(*measure1) != idle.region(*measure1), "measure 1 marked as playing")
        self.assertGreaterEqual(len(set(lit)), 3, f"the lamp moved along: {lit}")
        self.session.key(self.window, "space")
        time.sleep(0.5)
        stopped = self.shot("stopped")
        self.assertTrue([stopped.region(*lamp) for lamp in lamps] == idle_lamps, "every lamp dark again")
        self.assertTrue(stopped.region(*measure1) == idle.region(*measure1), "no measure marked")

    def test_enter_opens_the_colour_dialog_and_never_closes_the_window(self):
        before = self.shot("colours")
        for key in ("Escape", "Return"):  # cancel, then OK on the colour it starts from
            self.session.key(self.window, "Return")
            dialog = self.session.wait_window("^Color$", timeout=20)
            self.session.key(dialog, key)
            self.session.wait_window_gone(dialog)
            time.sleep(0.5)
            self.assertIsNone(self.process.poll(), "Enter never ends the program")
        # The scheme derived again from its own highlight colour keeps the hue.
        after = self.shot("recoloured")
        self.assertTrue(close_colours(before.pixel(column_x(1) + 3, 160), after.pixel(column_x(1) + 3, 160)))

class EditorWindowOnAFileTest(unittest.TestCase):
    """Edits read back from the file the program saves (Ctrl+S on a titled Setup)."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="stepforge-edits-")
        self.session = harness.WineSession(PREFIX, audio=True).__enter__()
        self.addCleanup(self.session.close)
        self.path = os.path.join(self.folder, "edits.^&^")
        with open(self.path, "wb") as out:
            out.write(setup_file_bytes(harness.windows_path(self.folder), {}, tempo=126.0, master_volume=80))
        self.process = self.session.start(EXE, harness.windows_path(self.path))
        self.window = harness.wait_until(
            lambda: next((w for w in self.session.find_windows(harness.CAPTION_REGEX)
                          if "edits.^&^" in self.session.window_name(w)), None), 60, what="the window on the file")
        time.sleep(1.0)

    def save_and_read(self):
        before = os.stat(self.path).st_mtime_ns
        self.session.click(self.window, 30, 45)  # the name plate: takes the click harmlessly, and the keys
        self.session.key(self.window, "ctrl+s")
        harness.wait_until(lambda: os.stat(self.path).st_mtime_ns != before, 20, what="the save")
        time.sleep(0.3)
        with open(self.path, "rb") as saved:
            return saved.read()

    def test_a_bar_dragged_out_at_once_and_a_typed_tempo_that_is_no_tempo(self):
        # The master volume bar (x 2..8, y 2..137), pressed and dragged above
        # the window in one move, released there: its top value, 100.
        x, y, _, _ = self.session.geometry(self.window)
        self.session.xdotool("mousemove", "--window", self.window, 5, 100, "mousedown", 1,
                             "mousemove", x + 5, max(0, y - 150), "mouseup", 1)
        time.sleep(0.3)
        # The next click elsewhere reaches its own control: step 5 on.
        self.session.click(self.window, column_x(5) + 20, 2 + 38)
        time.sleep(0.3)
        # Letters typed as the tempo are refused when the field is left.
        self.session.click(self.window, 50, 155)
        self.session.key(self.window, "End", *["BackSpace"] * 10)
        self.session.type_text(self.window, "abc")
        self.session.click(self.window, 30, 45)
        time.sleep(0.3)
        saved = self.save_and_read()
        self.assertEqual(struct.unpack_from("<h", saved, 1614)[0], 100, "master volume")
        self.assertEqual(struct.unpack_from("<h", saved, 30 + 4 + 12 * 4 + 10)[0], 1, "step 5 switched on")
        self.assertEqual(struct.unpack_from("<d", saved, 6)[0], 126.0, "the tempo as it was")
        self.session.key(self.window, "alt+F4")
        self.assertEqual(self.session.wait_exit(self.process), 0, "saved: closes without a question")


if __name__ == "__main__":
    unittest.main()
