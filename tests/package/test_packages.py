"""The Windows packages as the build made them: the portable zip holds the
program, the demo and the read-me files, and nothing else; the program is a
static GUI program of the build's kind and carries its manifest; the installer
is a program of the same kind and asks for no administrator rights."""
import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from pe_resources import RT_MANIFEST, RT_VERSION, SUBSYSTEM_GUI, PeFile, architecture, imported_dlls, resources  # noqa: E402,E501

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXE = os.environ["STEPFORGE_EXE"]
DEMO_DIR = os.environ["STEPFORGE_DEMO_DIR"]
ZIP = os.environ["STEPFORGE_PACKAGE_ZIP"]
INSTALLER = os.environ["STEPFORGE_INSTALLER"]
VERSION = os.environ["STEPFORGE_VERSION"]
ARCH = os.environ["STEPFORGE_WINDOWS_ARCH"]
# Windows' own DLLs: anything else (MinGW's runtime above all) would have to ship beside the program.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "comdlg32.dll", "winmm.dll", "dsound.dll", "msvcrt.dll", "comctl32.dll", "shlwapi.dll",
               "oleaut32.dll", "uuid.dll"}
KIT = "Stepforge Demo Kit"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


def manifest_of(path):
    found = resources(path)
    return found.get((RT_MANIFEST, 1)), found


class PortableZipTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.archive = zipfile.ZipFile(ZIP)
        cls.addClassCleanup(cls.archive.close)
        cls.top = f"Stepforge-{VERSION}/"

    def test_holds_the_program_the_demo_and_the_read_me_in_one_folder(self):
        sounds = sorted(name for name in os.listdir(os.path.join(DEMO_DIR, KIT)) if name.endswith(".wav"))
        self.assertEqual(len(sounds), 16)
        expected = {"Stepforge.exe", "ReadMe.htm", "ReadMe.txt", "Demo.^&^"} | {f"{KIT}/{name}" for name in sounds}
        self.assertEqual({self.top + name for name in expected}, set(self.archive.namelist()))
        self.assertIsNone(self.archive.testzip())

    def test_the_demo_is_the_one_the_build_made(self):
        for name in ["Demo.^&^"] + [f"{KIT}/{n}" for n in os.listdir(os.path.join(DEMO_DIR, KIT))]:
            with open(os.path.join(DEMO_DIR, name), "rb") as built:
                self.assertEqual(self.archive.read(self.top + name), built.read(), name)

    def test_the_program_is_the_build_without_its_symbols(self):
        packed = os.path.join(os.path.dirname(ZIP), "stage", f"Stepforge-{VERSION}", "Stepforge.exe")
        with open(packed, "rb") as staged:
            self.assertEqual(self.archive.read(self.top + "Stepforge.exe"), staged.read())
        self.assertLess(os.path.getsize(packed), os.path.getsize(EXE))
        built, packed_resources = resources(EXE), resources(packed)
        self.assertEqual(built, packed_resources, "the resources survive stripping")

    def test_read_me_files_name_the_version_and_the_txt_has_windows_line_ends(self):
        page = self.archive.read(self.top + "ReadMe.htm").decode("utf-8")
        self.assertIn(f"Stepforge {VERSION}", page)
        self.assertNotIn("@VERSION@", page)
        text = self.archive.read(self.top + "ReadMe.txt")
        self.assertIn(f"Stepforge {VERSION}".encode(), text)
        self.assertEqual(text.count(b"\n"), text.count(b"\r\n"))


class ProgramTest(unittest.TestCase):
    def test_a_gui_program_of_the_builds_kind_needing_only_windows_own_dlls(self):
        program = PeFile(EXE)
        self.assertEqual(architecture(EXE), ARCH)
        self.assertEqual(program.pe32_plus, ARCH == "win64")
        self.assertEqual(program.subsystem, SUBSYSTEM_GUI)
        dlls = imported_dlls(EXE)
        self.assertIn("dsound.dll", dlls)
        self.assertLessEqual(set(dlls), SYSTEM_DLLS)
        self.assertTrue(os.path.basename(ZIP).endswith(f"-{ARCH}.zip"))
        self.assertTrue(os.path.basename(INSTALLER).endswith(f"-{ARCH}-setup.exe"))


class ManifestTest(unittest.TestCase):
    def test_the_program_carries_the_manifest_as_written(self):
        manifest, found = manifest_of(EXE)
        with open(os.path.join(REPO, "resources", "stepforge.manifest"), "rb") as source:
            self.assertEqual(manifest, source.read())
        self.assertIn((RT_VERSION, 1), found)
        root = ElementTree.fromstring(manifest)
        level = root.find(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                          f"{ASM_V3}requestedExecutionLevel")
        self.assertEqual(level.get("level"), "asInvoker")
        dpi = {e.tag.split("}")[1]: e.text for e in root.iter() if e.tag.endswith(("}dpiAware", "}dpiAwareness"))}
        self.assertEqual(dpi, {"dpiAware": "true", "dpiAwareness": "PerMonitorV2, System"})

    def test_the_installer_runs_without_administrator_rights(self):
        manifest, found = manifest_of(INSTALLER)
        self.assertEqual(architecture(INSTALLER), ARCH)
        self.assertIn(b'requestedExecutionLevel level="asInvoker"', manifest)
        self.assertIn((RT_VERSION, 1), found)
        self.assertGreater(os.path.getsize(INSTALLER), os.path.getsize(ZIP) // 2, "the payload is inside")


if __name__ == "__main__":
    unittest.main()
