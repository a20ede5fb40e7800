#!/usr/bin/env python3
"""Every image that resources/stepforge.rc names is drawn from resources/art,
with the size, depth and hot spot that the program expects of it."""
import os
import re
import struct
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "art"))
import draw  # noqa: E402

SKIN_1BIT = {  # name: (width, height); all one bit per pixel
    "GLOBALBMP": (79, 166), "NOTEBMP": (37, 162), "LOOPBKGBMP": (125, 20),
    "MEASURESBMP": (10, 166), "PLAIN": (2, 2), "PLAYUP": (24, 24), "PLAYDN": (24, 24),
    "ONOFFUP": (17, 17), "ONOFFDN": (17, 17), "FILEUP": (16, 15), "FILEDN": (16, 15),
    "EDITUP": (16, 15), "EDITDN": (16, 15), "MIDIUP": (16, 15), "MIDIDN": (16, 15),
    "UPARROWUP": (7, 9), "UPARROWDN": (7, 9), "DNARROWUP": (7, 9), "DNARROWDN": (7, 9),
    **{f"LOOPSCTRL{n}{look}": (10, 18) for n in range(1, 9) for look in ("UP", "DN")},
}
BITMAPS = {name: (w, h, 1) for name, (w, h) in SKIN_1BIT.items()}
BITMAPS["ABOUTBMP"] = (215, 265, 8)
CURSORS = {  # name: hot spot; all 32 x 32
    "NOCUR": (0, 0), "SIZECUR": (16, 15), "HANDCUR": (11, 6), "PUSHCUR": (0, 0),
    "GENCUR": (0, 0), "UPCUR": (0, 0), "DNCUR": (0, 0), "FCUR": (0, 0), "ECUR": (0, 0),
    "MCUR": (0, 0), "TEXTCUR": (15, 15), "BARHCUR": (15, 15), "BARVCUR": (15, 15),
}
ICON_SIZES = {(16, 16), (32, 32)}


def resource_entries():
    """(name, kind, file) for each image line of the resource script."""
    with open(os.path.join(ROOT, "resources", "stepforge.rc"), encoding="latin-1") as script:
        return re.findall(r'^(\w+)\s+(BITMAP|CURSOR|ICON)\s+"([^"]+)"', script.read(), re.M)


def generate(file_name):
    for ext in (".txt", ".py"):
        source = os.path.join(ROOT, "resources", "art", file_name + ext)
        if os.path.exists(source):
            return draw.render(source)
    raise AssertionError(f"no source in resources/art for {file_name}")


def icon_entries(data):
    """(width, height, hot x, hot y, image bytes) for each image of an .ico or .cur."""
    _, _, count = struct.unpack_from("<HHH", data, 0)
    entries = []
    for i in range(count):
        w, h, _, _, hx, hy, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append((w or 256, h or 256, hx, hy, data[offset:offset + size]))
    return entries


def cursor_pixel_visible(image, width, height, x, y):
    """False where the AND mask is set and the XOR colour is 0 (transparent)."""
    depth = struct.unpack_from("<H", image, 14)[0]
    table = 8 if depth == 1 else 0
    xor_stride = (width * depth + 31) // 32 * 4
    and_stride = (width + 31) // 32 * 4
    row = height - 1 - y
    mask = image[40 + table + xor_stride * height + row * and_stride + x // 8] >> (7 - x % 8) & 1
    start = 40 + table + row * xor_stride
    colour = (image[start + x // 8] >> (7 - x % 8) & 1) if depth == 1 else any(image[start + 4 * x:start + 4 * x + 3])
    return not (mask and not colour)


class SkinImages(unittest.TestCase):
    def setUp(self):
        self.entries = resource_entries()

    def test_every_expected_image_is_in_the_resource_script(self):
        named = {(name, kind) for name, kind, _ in self.entries}
        expected = {(n, "BITMAP") for n in BITMAPS} | {(n, "CURSOR") for n in CURSORS}
        self.assertEqual(sorted(expected - named), [])
        self.assertEqual(sorted((n, k) for n, k in named - expected if k != "ICON"), [])

    def test_bitmaps_have_their_size_and_depth(self):
        for name, kind, file_name in self.entries:
            if kind != "BITMAP":
                continue
            with self.subTest(name):
                data = generate(file_name)
                self.assertEqual(data[:2], b"BM")
                width, height, _, depth = struct.unpack_from("<iiHH", data, 18)
                self.assertEqual((width, height, depth), BITMAPS[name])
                if depth == 1:  # black then white, or tinting swaps the colours
                    self.assertEqual(data[54:62], bytes([0, 0, 0, 0, 255, 255, 255, 0]))

    def test_cursors_have_their_size_and_hot_spot(self):
        for name, kind, file_name in self.entries:
            if kind != "CURSOR":
                continue
            with self.subTest(name):
                data = generate(file_name)
                self.assertEqual(struct.unpack_from("<HH", data, 0), (0, 2))
                [(width, height, hot_x, hot_y, image)] = icon_entries(data)
                self.assertEqual((width, height), (32, 32))
                self.assertEqual((hot_x, hot_y), CURSORS[name])
                self.assertTrue(cursor_pixel_visible(image, width, height, hot_x, hot_y),
                                "the hot spot lies on a transparent pixel")

    def test_icon_holds_16_and_32_pixel_images(self):
        icons = [file_name for _, kind, file_name in self.entries if kind == "ICON"]
        self.assertTrue(icons)
        for file_name in icons:
            data = generate(file_name)
            self.assertEqual(struct.unpack_from("<HH", data, 0), (0, 1))
            self.assertEqual({(w, h) for w, h, *_ in icon_entries(data)}, ICON_SIZES)


if __name__ == "__main__":
    unittest.main()
