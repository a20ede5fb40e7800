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
# A prefix of its own whose display is set to 192 DPI (Wine reads LogPixels
# from HKCU\Control Panel\Desktop first).
HIDPI_PREFIX = os.path.join(os.path.dirname(os.path.abspath(PREFIX or harness.default_prefix())), "wineprefix-192dpi")


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


class ZoomedWindowTest(unittest.TestCase):
    """The same Setup at 96 DPI and at 192 DPI (Automatic zoom): the second
    window is the first with every pixel doubled, and the same clicks at
    doubled positions make the same edits."""
    STEPS = 12  # 2 x 555 pixels fit the display
    # Where text is drawn by the fields themselves: pitch and sound of each
    # column and the tempo, in 1x pixels.
    FIELDS = [(column_x(k) + 8, y, 21, 15) for k in range(1, STEPS + 1) for y in (67, 100)] + [(25, 149, 53, 13)]

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="stepforge-zoom-")
        with harness.WineSession(HIDPI_PREFIX, need_display=False) as session:
            subprocess.run([session.loader, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                            "/t", "REG_DWORD", "/d", "192", "/f"], env=session.env, capture_output=True, check=True)

    def run_at(self, prefix, zoom):
        """Opens the Setup, takes a screenshot, works five controls at their
        1x positions times `zoom`, saves and returns (size, screen, saved bytes)."""
        path = os.path.join(self.folder, str(zoom), "zoom.^&^")
        os.makedirs(os.path.dirname(path))
        with open(path, "wb") as out:
            out.write(setup_file_bytes(harness.windows_path(self.folder), {}, steps_per_measure=self.STEPS,
                                       left=40, top=40))
        with harness.WineSession(prefix, audio=True) as session:
            process = session.start(EXE, harness.windows_path(path))
            window = harness.wait_until(
                lambda: next((w for w in session.find_windows(harness.CAPTION_REGEX)
                              if "zoom.^&^" in session.window_name(w)), None), 60, what="the window on the file")
            time.sleep(1.0)
            x, y, width, height = session.geometry(window)
            screen = Screen(session, window, self.folder, f"at{zoom}")
            z = lambda *values: [v * zoom for v in values]  # noqa: E731
            session.drag(window, *z(5, 100, 5, 40))  # the master volume bar
            time.sleep(0.3)
            session.click(window, *z(column_x(2) + 4, 2 + 63 + 4))  # step 2's pitch up arrow
            session.click(window, *z(84, 104 + 9))  # measure 3's button
            time.sleep(0.3)
            session.click(window, *z(column_x(4) + 20, 2 + 38))  # its step 4 on
            session.xdotool("mousemove", "--window", window, *z(84, 124 + 9), "click", 3)  # measure 2's chain
            time.sleep(0.5)
            # The popup's repeat up arrow, the popup placed at the button's top right corner.
            session.xdotool("mousemove", x + zoom * (89 + 96 + 3), y + zoom * (124 - 1 + 1 + 4), "click", 1)
            time.sleep(0.3)
            before = os.stat(path).st_mtime_ns
            session.click(window, *z(30, 45))  # the name plate: hides the popup, takes the keys
            session.key(window, "ctrl+s")
            harness.wait_until(lambda: os.stat(path).st_mtime_ns != before, 20, what="the save")
            time.sleep(0.3)
            with open(path, "rb") as saved:
                data = saved.read()
            session.key(window, "alt+F4")
            session.wait_exit(process)
        return (width, height), screen, data

    def test_at_192_dpi_every_pixel_is_doubled_and_clicks_at_doubled_positions_work_alike(self):
        size1, screen1, saved1 = self.run_at(PREFIX, 1)
        size2, screen2, saved2 = self.run_at(HIDPI_PREFIX, 2)
        self.assertEqual(size1, (38 * self.STEPS + 99, 166))
        self.assertEqual(size2, (2 * size1[0], 2 * size1[1]))

        def in_field(x, y):
            return any(fx <= x < fx + fw and fy <= y < fy + fh for fx, fy, fw, fh in self.FIELDS)
        differing = [(x, y) for y in range(size2[1]) for x in range(size2[0])
                     if not in_field(x // 2, y // 2) and screen2.pixel(x, y) != screen1.pixel(x // 2, y // 2)]
        self.assertEqual(differing[:10], [], f"{len(differing)} pixels differ from the 1x picture doubled")

        # The edits read back alike: the bar, the arrow, the measure button and
        # the step, the chain popup. Only the window's place may differ.
        self.assertEqual(struct.unpack_from("<h", saved1, 1614)[0], 97 * 100 // 135, "master volume dragged to y 40")
        self.assertEqual(struct.unpack_from("<h", saved1, 30 + 4 + 12)[0], 1, "step 2's pitch up")
        self.assertEqual(struct.unpack_from("<h", saved1, 30 + 2 * 196 + 4 + 3 * 12 + 10)[0], 1, "measure 3 step 4 on")
        self.assertEqual(struct.unpack_from("<h", saved1, 30 + 196 + 2)[0], 2, "measure 2 plays twice")
        self.assertEqual(saved2[:1598] + saved2[1606:], saved1[:1598] + saved1[1606:])

if __name__ == "__main__":
    unittest.main()
