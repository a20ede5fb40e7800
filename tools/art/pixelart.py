#!/usr/bin/env python3
"""Draws the program's images from text pixel art.

A source file names its output format and size, maps characters to colours and
then gives one text row per pixel row:

    format ico            # ico, cur, bmp1, bmp8 or bmp24
    size 32 32
    hotspot 11 6          # cursors only
    scale 2               # optional: each pixel drawn as scale x scale
    colors
    . transparent         # ico/cur only
    k 202020              # RRGGBB
    pixels
    kkkk....
"""
import struct
import sys


def parse(path):
    spec = {"scale": 1, "hotspot": (0, 0), "colors": {}, "rows": []}
    section = None
    with open(path, encoding="ascii") as source:
        for number, raw in enumerate(source, 1):
            line = raw.rstrip("\n")
            if section == "pixels":
                if line.strip() and not line.startswith("#"):
                    spec["rows"].append(line.rstrip())
                continue
            line = line.split("#", 1)[0].strip()  # so '#' never names a colour
            if not line:
                continue
            words = line.split()
            if section == "colors" and words[0] != "pixels":
                if len(words) != 2 or len(words[0]) != 1:
                    sys.exit(f"{path}:{number}: expected 'char RRGGBB' or 'char transparent'")
                spec["colors"][words[0]] = None if words[1] == "transparent" else int(words[1], 16)
            elif words[0] == "format":
                spec["format"] = words[1]
            elif words[0] == "size":
                spec["size"] = (int(words[1]), int(words[2]))
            elif words[0] == "hotspot":
                spec["hotspot"] = (int(words[1]), int(words[2]))
            elif words[0] == "scale":
                spec["scale"] = int(words[1])
            elif words[0] in ("colors", "pixels"):
                section = words[0]
            else:
                sys.exit(f"{path}:{number}: unknown line '{line}'")
    width, height = spec["size"]
    rows = spec["rows"]
    if len(rows) != height or any(len(row) != width for row in rows):
        sys.exit(f"{path}: pixel block must be {width} x {height}")
    for row in rows:
        for char in row:
            if char not in spec["colors"]:
                sys.exit(f"{path}: colour '{char}' is not defined")
    return spec


def pixels(spec):
    """Returns rows of colours (None = transparent), top row first, scaled."""
    scale = spec["scale"]
    out = []
    for row in spec["rows"]:
        line = []
        for char in row:
            line += [spec["colors"][char]] * scale
        out += [line] * scale
    return out


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def icon_image(grid):
    """A 32-bit DIB with its AND mask, as stored inside .ico and .cur files."""
    height, width = len(grid), len(grid[0])
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(grid):
        for value in row:
            if value is None:
                colour += b"\0\0\0\0"
            else:
                colour += bytes((value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF, 0xFF))
        bits = bytearray(row_bytes(width))
        for x, value in enumerate(row):
            if value is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def icon_file(spec, grid):
    image = icon_image(grid)
    height, width = len(grid), len(grid[0])
    is_cursor = spec["format"] == "cur"
    hot_x, hot_y = spec["hotspot"]
    planes, bits = (hot_x, hot_y) if is_cursor else (1, 32)
    directory = struct.pack("<HHH", 0, 2 if is_cursor else 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, planes, bits, len(image), 6 + 16)
    return directory + entry + image


def bitmap_file(spec, grid):
    height, width = len(grid), len(grid[0])
    depth = {"bmp1": 1, "bmp8": 8, "bmp24": 24}[spec["format"]]
    if any(value is None for row in grid for value in row):
        sys.exit("bitmaps have no transparency")
    palette = []
    if depth < 24:
        palette = sorted(set(spec["colors"].values()), key=lambda c: (c is None, c))
        if len(palette) > (1 << depth):
            sys.exit(f"too many colours for a {depth}-bit bitmap")
        if depth == 1 and len(palette) == 1:
            palette.append(0xFFFFFF if palette[0] != 0xFFFFFF else 0)
    stride = row_bytes(width * depth)
    data = bytearray()
    for row in reversed(grid):
        line = bytearray(stride)
        for x, value in enumerate(row):
            if depth == 24:
                line[x * 3:x * 3 + 3] = bytes((value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF))
            elif depth == 8:
                line[x] = palette.index(value)
            elif palette.index(value):
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    table = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0) for c in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, depth, 0, len(data), 2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + table + bytes(data)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: pixelart.py SOURCE.txt OUTPUT")
    spec = parse(sys.argv[1])
    grid = pixels(spec)
    if spec["format"] in ("ico", "cur"):
        data = icon_file(spec, grid)
    elif spec["format"] in ("bmp1", "bmp8", "bmp24"):
        data = bitmap_file(spec, grid)
    else:
        sys.exit(f"unknown format {spec['format']}")
    with open(sys.argv[2], "wb") as output:
        output.write(data)


if __name__ == "__main__":
    main()
