"""A small drawing surface for the larger pictures of resources/art (*.py).

Colours are 0xRRGGBB integers; coordinates are pixels with (0, 0) at the top
left; rectangles are given by their first and last pixel (inclusive).
"""
import pixelart

# The five-row label font of the skin, uppercase letters, digits and a few signs.
FONT5 = {
    "A": ".X. X.X XXX X.X X.X", "B": "XX. X.X XX. X.X XX.", "C": ".XX X.. X.. X.. .XX",
    "D": "XX. X.X X.X X.X XX.", "E": "XXX X.. XX. X.. XXX", "F": "XXX X.. XX. X.. X..",
    "G": ".XX X.. X.X X.X .XX", "H": "X.X X.X XXX X.X X.X", "I": "XXX .X. .X. .X. XXX",
    "J": "..X ..X ..X X.X .X.", "K": "X.X X.X XX. X.X X.X", "L": "X.. X.. X.. X.. XXX",
    "M": "X...X XX.XX X.X.X X...X X...X", "N": "X..X XX.X X.XX X..X X..X",
    "O": "XXX X.X X.X X.X XXX", "P": "XX. X.X XX. X.. X..", "Q": "XXX X.X X.X XXX ..X",
    "R": "XX. X.X XX. X.X X.X", "S": ".XX X.. .X. ..X XX.", "T": "XXX .X. .X. .X. .X.",
    "U": "X.X X.X X.X X.X XXX", "V": "X.X X.X X.X X.X .X.", "W": "X...X X...X X.X.X XX.XX X...X",
    "X": "X.X X.X .X. X.X X.X", "Y": "X.X X.X .X. .X. .X.", "Z": "XXX ..X .X. X.. XXX",
    "0": "XXX X.X X.X X.X XXX", "1": ".X. XX. .X. .X. XXX", "2": "XX. ..X .X. X.. XXX",
    "3": "XX. ..X .X. ..X XX.", "4": "X.X X.X XXX ..X ..X", "5": "XXX X.. XX. ..X XX.",
    "6": ".XX X.. XXX X.X XXX", "7": "XXX ..X .X. .X. .X.", "8": "XXX X.X XXX X.X XXX",
    "9": "XXX X.X XXX ..X XX.", " ": ". . . . .", ".": ". . . . X", ",": ". . . X X",
    "-": "... ... XXX ... ...", "(": ".X X. X. X. .X", ")": "X. .X .X .X X.",
}


def glyph_rows(font, char):
    return font[char].split()


def text_width(text, font=FONT5, scale=1):
    return sum((len(glyph_rows(font, c)[0]) + 1) * scale for c in text) - scale


class Canvas:
    def __init__(self, width, height, colour=0x000000):
        self.width, self.height = width, height
        self.rows = [[colour] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def get(self, x, y):
        return self.rows[y][x]

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(max(y0, 0), min(y1, self.height - 1) + 1):
            for x in range(max(x0, 0), min(x1, self.width - 1) + 1):
                self.rows[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour):
        self.fill(x0, y0, x1, y0, colour)
        self.fill(x0, y1, x1, y1, colour)
        self.fill(x0, y0, x0, y1, colour)
        self.fill(x1, y0, x1, y1, colour)

    def vertical_gradient(self, x0, y0, x1, y1, top, bottom, steps=None):
        """Fills with a gradient from top to bottom in at most `steps` bands."""
        height = y1 - y0 + 1
        steps = steps or height
        for y in range(y0, y1 + 1):
            band = min((y - y0) * steps // height, steps - 1)
            self.fill(x0, y, x1, y, mix(top, bottom, band / max(steps - 1, 1)))

    def text(self, text, x, y, colour, font=FONT5, scale=1):
        """Draws text with its top left at x, y; colour may be a function of the glyph row."""
        for char in text:
            rows = glyph_rows(font, char)
            for j, row in enumerate(rows):
                shade = colour(j) if callable(colour) else colour
                for i, bit in enumerate(row):
                    if bit == "X":
                        self.fill(x + i * scale, y + j * scale, x + i * scale + scale - 1,
                                  y + j * scale + scale - 1, shade)
            x += (len(rows[0]) + 1) * scale

    def centred_text(self, text, y, colour, font=FONT5, scale=1):
        self.text(text, (self.width - text_width(text, font, scale)) // 2, y, colour, font, scale)

    def bmp(self, depth):
        return pixelart.bitmap_bytes(self.rows, depth)


def mix(a, b, t):
    """The colour a fraction t of the way from a to b."""
    channels = []
    for shift in (16, 8, 0):
        ca, cb = (a >> shift) & 0xFF, (b >> shift) & 0xFF
        channels.append(round(ca + (cb - ca) * t))
    return (channels[0] << 16) | (channels[1] << 8) | channels[2]
