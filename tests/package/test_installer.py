"""The installer under Wine, in a fresh prefix: it installs silently for the
user, the installed program opens and plays its demo, and the uninstaller
removes what was installed, the file association the program made included."""
import glob
import os
import shutil
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
import harness  # noqa: E402
from demo_onsets import check_first_measure  # noqa: E402

INSTALLER = os.environ["STEPFORGE_INSTALLER"]
ZIP = os.environ["STEPFORGE_PACKAGE_ZIP"]
PREFIX = os.environ["STEPFORGE_INSTALLER_PREFIX"]
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Stepforge"
CLASSES = [r"HKCU\Software\Classes\Stepforge", r"HKCU\Software\Classes\.^&^", r"HKCR\Stepforge", r"HKCR\.^&^"]


def user_folder(prefix):
    found = [p for p in glob.glob(os.path.join(prefix, "drive_c", "users", "*")) if os.path.basename(p) != "Public"
             and not os.path.islink(p)]
    if len(found) != 1:
        raise AssertionError(f"expected one user folder in the prefix, found {found}")
    return found[0]


class InstallerTest(unittest.TestCase):
    def test_installs_plays_and_uninstalls(self):
        shutil.rmtree(PREFIX, ignore_errors=True)  # fresh: nothing of an earlier run is left to be found
        session = harness.WineSession(PREFIX, audio=True)
        # Shortcuts would otherwise become menu entries of this machine's desktop.
        session.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
        with session, tempfile.TemporaryDirectory(prefix="stepforge-installer-") as folder:
            self.assertEqual(session.run(INSTALLER, "/S", timeout=180), 0)

            home = user_folder(PREFIX)
            target = os.path.join(home, "AppData", "Local", "Programs", "Stepforge")
            with zipfile.ZipFile(ZIP) as archive:
                payload = {name.split("/", 1)[1] for name in archive.namelist()}
            installed = {os.path.relpath(os.path.join(root, name), target)
                         for root, _, files in os.walk(target) for name in files}
            self.assertEqual(installed, payload | {"Uninstall.exe"})

            menu = os.path.join(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                "Stepforge")
            self.assertEqual(sorted(os.listdir(menu)), ["Stepforge Demo.lnk", "Stepforge.lnk"])
            with open(os.path.join(menu, "Stepforge Demo.lnk"), "rb") as link:
                shortcut = link.read()
            self.assertIn(b"Stepforge.exe", shortcut)
            self.assertIn("Demo.^&^".encode("utf-16-le"), shortcut)
            self.assertIn("Uninstall.exe", session.reg_query(UNINSTALL_KEY, "UninstallString") or "")

            # The installed program as the Start-menu shortcut starts it.
            windows_target = "C:\\users\\" + os.path.basename(home) + r"\AppData\Local\Programs\Stepforge"
            left, right, caption, code = harness.play_setup(
                session, windows_target + r"\Stepforge.exe", windows_target + r"\Demo.^&^",
                os.path.join(folder, "installed.wav"), seconds=5.0, log=lambda text: None)
            self.assertIn("Demo.^&^", caption)
            check_first_measure(self, left, right)
            self.assertEqual(code, 0)
            command = session.reg_query(r"HKCU\Software\Classes\Stepforge\shell\open\command", "")
            self.assertTrue(command and command.lower().startswith(windows_target.lower() + "\\stepforge.exe"),
                            f"the program registered itself: {command!r}")

            session.run(os.path.join(target, "Uninstall.exe"), "/S", timeout=120)
            # It finishes from a copy of itself, after the program returned.
            harness.wait_until(lambda: not os.path.exists(target), 60, interval=0.5,
                               what=f"the uninstaller to remove {target}")
            self.assertFalse(os.path.exists(menu), "the Start-menu folder is gone")
            self.assertIsNone(session.reg_query(UNINSTALL_KEY))
            for key in CLASSES:
                self.assertIsNone(session.reg_query(key), f"{key} is gone")
        shutil.rmtree(PREFIX, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
