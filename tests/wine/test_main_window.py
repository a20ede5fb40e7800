"""The program under Wine as a person meets it: its main window opens with the
right caption and size, and closing it ends the program."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
import harness  # noqa: E402

EXE = os.environ["STEPFORGE_EXE"]
PREFIX = os.environ.get("STEPFORGE_WINEPREFIX")


def image_size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True)
    width, height = out.stdout.split()
    return int(width), int(height)


class MainWindowTest(unittest.TestCase):
    def setUp(self):
        self.session = harness.WineSession(PREFIX, audio=True).__enter__()
        self.addCleanup(self.session.close)
        self.process = self.session.start(EXE)
        self.window = self.session.wait_window(timeout=60)

    def test_opens_with_caption_and_client_size_then_closes(self):
        self.assertEqual(self.session.window_name(self.window), harness.CAPTION_KEY)
        _, _, width, height = self.session.geometry(self.window)
        self.assertEqual((width, height), (707, 166))
        with tempfile.TemporaryDirectory() as folder:
            shot = self.session.screenshot(os.path.join(folder, "main.png"), self.window)
            self.assertEqual(image_size(shot), (707, 166))

        self.session.key(self.window, "alt+F4")
        self.assertEqual(self.session.wait_exit(self.process, timeout=20), 0)

    def test_enter_keeps_the_window_and_escape_closes_through_the_close_path(self):
        self.session.key(self.window, "Return")  # the colour dialog, never the end
        dialog = self.session.wait_window("^Color$", timeout=20)
        self.session.key(dialog, "Escape")
        self.session.wait_window_gone(dialog)
        self.assertIsNone(self.process.poll())
        self.assertIn(self.window, self.session.find_windows(harness.CAPTION_REGEX))

        # A colour change is an edit: Escape asks the save-changes question first.
        self.session.key(self.window, "Escape")
        question = self.session.wait_window("€ § ¶", timeout=20)
        self.assertIsNone(self.process.poll(), "the question comes before the end")
        self.session.key(question, "Escape")  # Cancel keeps the window open
        self.session.wait_window_gone(question)
        self.assertIsNone(self.process.poll())

        self.session.key(self.window, "Escape")
        question = self.session.wait_window("€ § ¶", timeout=20)
        self.session.key(question, "d")  # Don't Save
        self.assertEqual(self.session.wait_exit(self.process, timeout=20), 0)

if __name__ == "__main__":
    unittest.main()
