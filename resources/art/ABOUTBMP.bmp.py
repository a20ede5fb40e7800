"""ABOUTBMP: the picture of the About box, 215 x 265 pixels at 8 bits per pixel.

The program's name in glowing letters over a drum machine's step pads. The
About box lays its link line (about 190 x 18 pixels from 4, 232) over the
light band near the bottom, so that band stays plain.
"""
from canvas import Canvas, mix

WIDTH, HEIGHT = 215, 265
NIGHT_TOP, NIGHT_BOTTOM = 0x12121C, 0x2B2236
INK_SHADOW = 0x08080C
PAD, PAD_LIGHT, PAD_DARK = 0x3A3A48, 0x50506A, 0x262632
LIT, LIT_LIGHT, LIT_DARK = 0xFF8C1A, 0xFFD27A, 0xC8600A
LAMP_OFF, LAMP_ON = 0x4A2A2A, 0xFF4030
TEXT, TEXT_DIM = 0xE8E0D0, 0x9A90A8
BAND, BAND_EDGE = 0xF2EBDC, 0xC9BFAA
LINK_TOP, LINK_BOTTOM = 222, 259  # the band under the link line

# The name, in a nine-row font (two rows of descender) drawn three times larger.
TITLE_FONT = {
    "S": ".XXX. X...X X.... .XXX. ....X X...X .XXX. ..... .....",
    "t": ".X... .X... XXXX. .X... .X... .X..X ..XX. ..... .....",
    "e": "..... ..... .XXX. X...X XXXXX X.... .XXXX ..... .....",
    "p": "..... ..... XXXX. X...X X...X X...X XXXX. X.... X....",
    "f": "..XX. .X..X .X... XXX.. .X... .X... .X... ..... .....",
    "o": "..... ..... .XXX. X...X X...X X...X .XXX. ..... .....",
    "r": "..... ..... X.XX. XX..X X.... X.... X.... ..... .....",
    "g": "..... ..... .XXXX X...X X...X X...X .XXXX ....X .XXX.",
}

# Three lanes of sixteen steps: hi-hat, snare, kick.
PATTERN = [
    "x.x.x.x.x.x.x.xx",
    "....x.......x..x",
    "x..x....x.x.....",
]
PLAYING_STEP = 4


def hot_metal(row):
    """Colour of glyph row `row` (0 to 8) of the title: white heat to red."""
    return mix(0xFFF0B0, 0xE0500A, min(row, 6) / 6)


def draw_title(canvas, y):
    scale = 3
    width = len("Stepforge") * 6 * scale - scale
    x = (WIDTH - width) // 2
    canvas.text("Stepforge", x + 2, y + 2, INK_SHADOW, TITLE_FONT, scale)
    canvas.text("Stepforge", x, y, hot_metal, TITLE_FONT, scale)


def draw_pad(canvas, x, y, size, lit):
    face, light, dark = (LIT, LIT_LIGHT, LIT_DARK) if lit else (PAD, PAD_LIGHT, PAD_DARK)
    canvas.fill(x, y, x + size - 1, y + size - 1, face)
    canvas.fill(x, y, x + size - 1, y, light)
    canvas.fill(x, y, x, y + size - 1, light)
    canvas.fill(x + 1, y + size - 1, x + size - 1, y + size - 1, dark)
    canvas.fill(x + size - 1, y + 1, x + size - 1, y + size - 1, dark)
    if lit:
        canvas.fill(x + 1, y + 1, x + 2, y + 2, LIT_LIGHT)


def step_x(step):
    """Left edge of step 0..15: four groups of four pads, 10 wide, 2 apart, 5 between groups."""
    return 8 + step * 12 + (step // 4) * 3


def draw_steps(canvas, y):
    body_top, body_bottom = y - 12, y + len(PATTERN) * 13 + 6
    canvas.fill(4, body_top, WIDTH - 5, body_bottom, 0x1C1C26)
    canvas.frame(4, body_top, WIDTH - 5, body_bottom, 0x34344A)
    for step in range(16):
        lamp = LAMP_ON if step == PLAYING_STEP else LAMP_OFF
        canvas.fill(step_x(step) + 3, y - 7, step_x(step) + 6, y - 5, lamp)
        for lane, row in enumerate(PATTERN):
            draw_pad(canvas, step_x(step), y + lane * 13, 10, row[step] == "x")


def draw_measures(canvas, y):
    """Eight measure buttons, the first one selected."""
    x = (WIDTH - (8 * 16 - 4)) // 2
    for measure in range(8):
        left = x + measure * 16
        if measure == 0:
            canvas.fill(left, y, left + 11, y + 12, TEXT)
            canvas.text(str(measure + 1), left + 4, y + 4, NIGHT_BOTTOM)
        else:
            canvas.frame(left, y, left + 11, y + 12, TEXT_DIM)
            canvas.text(str(measure + 1), left + 4, y + 4, TEXT)


def draw():
    canvas = Canvas(WIDTH, HEIGHT)
    canvas.vertical_gradient(0, 0, WIDTH - 1, LINK_TOP - 1, NIGHT_TOP, NIGHT_BOTTOM, 32)
    # a warm glow behind the name
    for y in range(14, 62):
        for x in range(WIDTH):
            distance = ((x - WIDTH / 2) / 110) ** 2 + ((y - 38) / 26) ** 2
            if distance < 1:
                canvas.set(x, y, mix(canvas.get(x, y), 0x5A2A14, round((1 - distance) * 8) / 8 * 0.6))
    draw_title(canvas, 20)
    canvas.centred_text("STEP SEQUENCER AND SAMPLE PLAYER", 62, TEXT_DIM)
    draw_steps(canvas, 96)
    draw_measures(canvas, 158)
    canvas.centred_text("EIGHT MEASURES OF SIXTEEN STEPS", 182, TEXT_DIM)
    canvas.centred_text("(C) 2026 THE STEPFORGE DEVELOPERS", 198, TEXT_DIM)
    canvas.fill(0, LINK_TOP, WIDTH - 1, LINK_BOTTOM, BAND)
    canvas.fill(0, LINK_TOP, WIDTH - 1, LINK_TOP, BAND_EDGE)
    canvas.fill(0, LINK_BOTTOM, WIDTH - 1, LINK_BOTTOM, BAND_EDGE)
    canvas.vertical_gradient(0, LINK_BOTTOM + 1, WIDTH - 1, HEIGHT - 1, NIGHT_BOTTOM, NIGHT_TOP)
    return canvas.bmp(8)
