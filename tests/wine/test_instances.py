"""Running copies of the program together in one Wine session: Space in one
starts or stops every copy, Ctrl+Space acts on that copy alone, and closing one
copy while the others play leaves them playing. Each copy is watched from
outside, through screenshots of its own window."""
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
import harness  # noqa: E402

EXE = os.environ["STEPFORGE_EXE"]
PREFIX = os.environ.get("STEPFORGE_WINEPREFIX")

PLAY_BUTTON = (36, 60, 24, 24)
LAMPS = [(94 + 38 * (k - 1) + 12, 2 + 2, 23, 16) for k in range(1, 17)]
# Main-window background right of step column 16: a click there hits no control.
QUIET_SPOT = (704, 100)
SETTLE = 1.5  # how long a copy that should not change is watched
TIMEOUT = 20


def grab(session, window, folder, name):
    """The window's pixels as raw RGB bytes and its width."""
    path = session.screenshot(os.path.join(folder, name + ".png"), window)
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    width = int(subprocess.run(["identify", "-format", "%w", path], capture_output=True, text=True,
                               check=True).stdout)
    return raw, width


def region(picture, x, y, w, h):
    raw, width = picture
    return b"".join(raw[((y + dy) * width + x) * 3:((y + dy) * width + x + w) * 3] for dy in range(h))


class Copy:
    def __init__(self, number, process, window):
        self.number = number
        self.process = process
        self.window = window
        self.idle_button = None
        self.idle_lamps = None


class InstancesTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="stepforge-instances-")
        self.session = harness.WineSession(PREFIX, audio=True).__enter__()
        self.addCleanup(self.session.close)
        self.copies = []

    def start_copies(self, count):
        for number in range(count):
            process = self.session.start(EXE)
            known = {copy.window for copy in self.copies}
            try:
                window = harness.wait_until(
                    lambda: [w for w in self.session.find_windows(harness.CAPTION_REGEX) if w not in known],
                    60, what=f"the window of copy {number + 1}")[0]
            except harness.HarnessError as error:
                raise harness.HarnessError(f"{error}; {self.session.process_states()}") from None
            self.copies.append(Copy(number + 1, process, window))
        # Every copy opens centred on the screen: stacked apart, none hides another.
        for copy in self.copies:
            place = (0, 250 * (copy.number - 1))

            def placed(copy=copy, place=place):
                if self.session.geometry(copy.window)[:2] == place:
                    return True
                self.session.xdotool("windowmove", copy.window, *place)
                return False
            harness.wait_until(placed, TIMEOUT, interval=0.5, what=f"copy {copy.number} moved to {place}")
        for copy in self.copies:
            # The stopped picture, once drawn (more than one colour) and steady.
            shots = []

            def steady(copy=copy):
                shots.append(self.shot(copy))
                button = region(shots[-1], *PLAY_BUTTON)
                return (len(shots) > 1 and button == region(shots[-2], *PLAY_BUTTON)
                        and len({button[i:i + 3] for i in range(0, len(button), 3)}) > 1)
            harness.wait_until(steady, TIMEOUT, interval=0.3, what=f"copy {copy.number} drawn")
            copy.idle_button = region(shots[-1], *PLAY_BUTTON)
            copy.idle_lamps = [region(shots[-1], *lamp) for lamp in LAMPS]

    def shot(self, copy):
        """The copy's window now; its last screenshot stays in the folder."""
        return grab(self.session, copy.window, self.folder, f"copy{copy.number}")

    def playing(self, copy, picture=None):
        """The play button shows pressed: anything but its stopped picture."""
        return region(picture or self.shot(copy), *PLAY_BUTTON) != copy.idle_button

    def states(self):
        return [self.playing(copy) for copy in self.copies]

    def press(self, copy, *xdotool_keys):
        """Keys to one copy. Without a window manager Wine hands the keyboard to
        its foreground window only, and only a click makes a window foreground."""
        self.session.focus(copy.window)
        self.session.click(copy.window, *QUIET_SPOT)
        time.sleep(1.0)  # the click is taken before the key
        self.session.xdotool(*xdotool_keys)

    def space(self, copy):
        self.press(copy, "key", "space")

    def ctrl_space(self, copy):
        self.press(copy, "keydown", "ctrl", "key", "space", "keyup", "ctrl")

    def expect_states(self, expected, what):
        """Waits until every copy shows the expected state, then watches that
        none changes afterwards (a message that should not come would have)."""
        deadline = time.monotonic() + TIMEOUT
        while (states := self.states()) != expected:
            if time.monotonic() > deadline:
                places = [self.session.geometry(copy.window)[:2] for copy in self.copies]
                self.fail(f"{what}: playing {states}, expected {expected}; windows at {places}, "
                          f"last screenshots in {self.folder}")
            time.sleep(0.3)
        time.sleep(SETTLE)
        self.assertEqual(self.states(), expected, f"{what}, a little later")

    def lit_lamps(self, copy, picture):
        return [k for k, lamp in enumerate(LAMPS) if region(picture, *lamp) != copy.idle_lamps[k]]

    def test_two_copies_start_and_stop_together_and_ctrl_space_acts_alone(self):
        self.start_copies(2)
        first, second = self.copies
        self.space(first)
        self.expect_states([True, True], "Space in the first starts both")
        self.space(second)
        self.expect_states([False, False], "Space in the second stops both")
        self.ctrl_space(first)
        self.expect_states([True, False], "Ctrl+Space in the first starts only the first")
        self.space(second)
        self.expect_states([True, True], "Space in the second starts it and leaves the first playing")
        self.ctrl_space(second)
        self.expect_states([True, False], "Ctrl+Space in the second stops only the second")
        self.space(first)
        self.expect_states([False, False], "Space in the first stops it; the second stays stopped")

    def test_three_copies_start_and_stop_together_and_ctrl_space_acts_alone(self):
        self.start_copies(3)
        first, second, third = self.copies
        self.space(second)
        self.expect_states([True, True, True], "Space in the second starts all three")
        self.space(third)
        self.expect_states([False, False, False], "Space in the third stops all three")
        self.ctrl_space(third)
        self.expect_states([False, False, True], "Ctrl+Space in the third starts only the third")
        self.ctrl_space(first)
        self.expect_states([True, False, True], "Ctrl+Space in the first starts only the first")
        self.space(second)
        self.expect_states([True, True, True], "Space in the second starts it; the others play on")
        self.space(first)
        self.expect_states([False, False, False], "Space in the first stops all three")

    def test_closing_a_copy_while_the_others_play_leaves_them_playing(self):
        # No copy counts as the master, so the close is never refused and
        # stops only the copy that closes.
        self.start_copies(2)
        first, second = self.copies
        self.space(first)
        self.expect_states([True, True], "Space in the first starts both")

        self.press(second, "key", "alt+F4")

        def closed_or_asked():
            if second.process.poll() is not None:
                return "closed"
            self.assertEqual(self.session.find_windows("^NOTE!$"), [], "no notice refuses the close")
            return self.session.find_windows("€ § ¶")
        outcome = harness.wait_until(closed_or_asked, TIMEOUT, what="the second copy to close or ask")
        if outcome != "closed":
            question = outcome[0]

            def answered():
                # Don't Save; pressed again should the question not have had the keyboard yet.
                if second.process.poll() is not None:
                    return True
                if question in self.session.find_windows("€ § ¶"):
                    self.session.key(question, "d")
                return False
            harness.wait_until(answered, TIMEOUT, interval=2.0, what="the save question answered")
        self.assertEqual(self.session.wait_exit(second.process, timeout=TIMEOUT), 0)

        time.sleep(SETTLE)
        self.assertIsNone(first.process.poll())
        lit = set()
        for _ in range(6):
            picture = self.shot(first)
            self.assertTrue(self.playing(first, picture), "the first copy still shows playing")
            lit.update(self.lit_lamps(first, picture))
            time.sleep(0.25)
        self.assertGreaterEqual(len(lit), 2, f"the step lamp of the first copy moves on: {sorted(lit)}")

        self.copies = [first]
        self.space(first)
        self.expect_states([False], "Space in the copy left stops it")


if __name__ == "__main__":
    unittest.main()
