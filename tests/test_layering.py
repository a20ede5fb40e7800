"""The source folders form layers: a folder includes only from its own layer
and those below it, so the platform-free core and the toolkit never depend on
the application built on them. A new folder must be given its place here."""
import os
import re
import sys
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Lowest first.
LAYERS = ["model", "resources", "ui", "controls", "audio", "playback", "editing", "files", "panels", "app", "fuzz"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.MULTILINE)


class LayeringTest(unittest.TestCase):
    def test_no_folder_includes_from_a_higher_one(self):
        wrong = []
        for rank, folder in enumerate(LAYERS):
            for root, _, files in os.walk(os.path.join(REPO, folder)):
                for name in files:
                    if not name.endswith((".h", ".cpp", ".rc")):
                        continue
                    path = os.path.join(root, name)
                    with open(path, encoding="utf-8", errors="replace") as source:
                        for target in INCLUDE.findall(source.read()):
                            if target not in LAYERS:
                                wrong.append(f"{os.path.relpath(path, REPO)} includes from {target}/, which has no layer")
                            elif LAYERS.index(target) > rank:
                                wrong.append(f"{os.path.relpath(path, REPO)} includes from {target}/, above {folder}/")
        self.assertEqual(wrong, [])


if __name__ == "__main__":
    sys.exit(unittest.main())
