#!/usr/bin/env python3
"""Draws the program's images from text pixel art.

A source file names its output format, maps characters to colours and then
gives one or more images, each a size line followed by one text row per pixel
row:

    format cur            # ico, cur, bmp1, bmp8 or bmp24
    colors
    . transparent         # ico/cur only
    ~ invert              # cur only: inverts the screen beneath
    k 202020              # RRGGBB
    size 32 32
    hotspot 11 6          # cursors only; belongs to the image that follows
    scale 2               # optional: each pixel drawn as scale x scale
    pixels
    kkkk....

An .ico may hold several images (give each its own size and pixels block);
cursors and bitmaps hold one. bmp1 is the skin format: its pixels are 000000
(drawn in the control's foreground colour) or FFFFFF (its background colour),
and the palette is always black then white. A cursor whose colours are only
black, white, transparent and invert is written as a classic monochrome
cursor; other cursors and all icons are written as 32-bit images.
"""
import struct
import sys

BLACK, WHITE, INVERT = 0x000000, 0xFFFFFF, "invert"


def parse(path):
    art = {"colors": {}, "images": []}
    image = None
    section = None
    pending = {"scale": 1, "hotspot": (0, 0)}
    with open(path, encoding="ascii") as source:
        for number, raw in enumerate(source, 1):
            line = raw.rstrip("\n")
            if section == "pixels":
                if line.strip() and not line.startswith("#"):
                    image["rows"].append(line.rstrip())
                    if len(image["rows"]) == image["size"][1]:
                        section = None
                continue
            line = line.split("#", 1)[0].strip()  # so '#' never names a colour
            if not line:
                continue
            words = line.split()
            if section == "colors" and words[0] not in ("pixels", "size", "hotspot", "scale"):
                if len(words) != 2 or len(words[0]) != 1:
                    sys.exit(f"{path}:{number}: expected 'char RRGGBB', 'char transparent' or 'char invert'")
                if words[1] == "transparent":
                    value = None
                elif words[1] == "invert":
                    value = INVERT
                else:
                    value = int(words[1], 16)
                art["colors"][words[0]] = value
                continue
            if words[0] == "format":
                art["format"] = words[1]
            elif words[0] == "size":
                image = {"size": (int(words[1]), int(words[2])), "rows": [], **pending}
                pending = {"scale": 1, "hotspot": (0, 0)}
                art["images"].append(image)
                section = None
            elif words[0] in ("hotspot", "scale"):
                value = (int(words[1]), int(words[2])) if words[0] == "hotspot" else int(words[1])
                if image is not None and not image["rows"]:
                    image[words[0]] = value
                else:
                    pending[words[0]] = value
            elif words[0] == "colors":
                section = "colors"
            elif words[0] == "pixels":
                if image is None or image["rows"]:
                    sys.exit(f"{path}:{number}: 'pixels' needs a 'size' line before it")
                section = "pixels"
            else:
                sys.exit(f"{path}:{number}: unknown line '{line}'")
    if not art["images"]:
        sys.exit(f"{path}: no image")
    if art.get("format") != "ico" and len(art["images"]) != 1:
        sys.exit(f"{path}: only an .ico holds more than one image")
    for image in art["images"]:
        width, height = image["size"]
        rows = image["rows"]
        if len(rows) != height or any(len(row) != width for row in rows):
            sys.exit(f"{path}: pixel block must be {width} x {height}")
        for row in rows:
            for char in row:
                if char not in art["colors"]:
                    sys.exit(f"{path}: colour '{char}' is not defined")
    return art


def pixels(art, image):
    """Returns rows of colours (None = transparent), top row first, scaled."""
    scale = image["scale"]
    out = []
    for row in image["rows"]:
        line = []
        for char in row:
            line += [art["colors"][char]] * scale
        out += [line] * scale
    return out


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def is_monochrome(grid):
    return all(value in (None, BLACK, WHITE, INVERT) for row in grid for value in row)


def icon_image(grid, monochrome):
    """A DIB with its AND mask, as stored inside .ico and .cur files."""
    height, width = len(grid), len(grid[0])
    depth = 1 if monochrome else 32
    table = struct.pack("<8B", 0, 0, 0, 0, 255, 255, 255, 0) if monochrome else b""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, depth, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(grid):
        if monochrome:
            bits = bytearray(row_bytes(width))
            for x, value in enumerate(row):
                if value in (WHITE, INVERT):
                    bits[x // 8] |= 0x80 >> (x % 8)
            colour += bits
        else:
            for value in row:
                if value is None:
                    colour += b"\0\0\0\0"
                elif value == INVERT:
                    sys.exit("'invert' is for monochrome cursors only")
                else:
                    colour += bytes((value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF, 0xFF))
        bits = bytearray(row_bytes(width))
        for x, value in enumerate(row):
            if value is None or value == INVERT:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + table + bytes(colour) + bytes(mask)


def icon_file(art):
    is_cursor = art["format"] == "cur"
    entries = b""
    images = b""
    offset = 6 + 16 * len(art["images"])
    for image in art["images"]:
        grid = pixels(art, image)
        height, width = len(grid), len(grid[0])
        monochrome = is_cursor and is_monochrome(grid)
        data = icon_image(grid, monochrome)
        if is_cursor:
            hot_x, hot_y = image["hotspot"]
            if not (0 <= hot_x < width and 0 <= hot_y < height):
                sys.exit(f"hot spot {hot_x},{hot_y} lies outside the {width} x {height} cursor")
            planes, bits, colours = hot_x, hot_y, 2 if monochrome else 0
        else:
            planes, bits, colours = 1, 32, 0
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, colours, 0, planes, bits,
                               len(data), offset + len(images))
        images += data
    directory = struct.pack("<HHH", 0, 2 if is_cursor else 1, len(art["images"]))
    return directory + entries + images


def bitmap_bytes(grid, depth, palette=None):
    """A .bmp file of rows of 0xRRGGBB colours at 1, 8 or 24 bits per pixel.

    Without a palette, the colours used make one, darkest value first."""
    height, width = len(grid), len(grid[0])
    if any(value is None or value == INVERT for row in grid for value in row):
        sys.exit("bitmaps have no transparency")
    if depth < 24 and palette is None:
        palette = sorted({value for row in grid for value in row})
    palette = palette or []
    if len(palette) > (1 << depth):
        sys.exit(f"too many colours for a {depth}-bit bitmap")
    index = {colour: number for number, colour in enumerate(palette)}
    stride = row_bytes(width * depth)
    data = bytearray()
    for row in reversed(grid):
        line = bytearray(stride)
        for x, value in enumerate(row):
            if depth == 24:
                line[x * 3:x * 3 + 3] = bytes((value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF))
            elif depth == 8:
                line[x] = index[value]
            elif index[value]:
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    table = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0) for c in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, depth, 0, len(data), 2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + table + bytes(data)


def bitmap_file(art):
    grid = pixels(art, art["images"][0])
    depth = {"bmp1": 1, "bmp8": 8, "bmp24": 24}[art["format"]]
    palette = None
    if depth == 1:
        # The tinting of the skin depends on it: 0 = black = foreground.
        if any(value not in (BLACK, WHITE) for row in grid for value in row):
            sys.exit("bmp1 pixels are 000000 (foreground) or FFFFFF (background)")
        palette = [BLACK, WHITE]
    return bitmap_bytes(grid, depth, palette)


def render(art):
    if art["format"] in ("ico", "cur"):
        return icon_file(art)
    if art["format"] in ("bmp1", "bmp8", "bmp24"):
        return bitmap_file(art)
    sys.exit(f"unknown format {art['format']}")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: pixelart.py SOURCE.txt OUTPUT")
    data = render(parse(sys.argv[1]))
    with open(sys.argv[2], "wb") as output:
        output.write(data)


if __name__ == "__main__":
    main()
