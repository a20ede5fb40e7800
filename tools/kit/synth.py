#!/usr/bin/env python3
"""Synthesizes the demo kit: sixteen drum and percussion sounds as 16-bit
44.1 kHz mono WAV files whose names sort in the kit's order.

    synth.py KIT-FOLDER
    synth.py --names      lists the file names, one a line

Everything is computed from fixed seeds, so the files are byte-identical on
every run. Plain Python: signals are lists of floats, built with list
comprehensions and tight loops over local variables to keep it quick.
"""

import array
import math
import os
import random
import sys
import wave

RATE = 44100
TWO_PI = 2.0 * math.pi


# --- signal building blocks ---------------------------------------------------

def count(seconds):
    return int(round(seconds * RATE))


def times(n):
    return [i / RATE for i in range(n)]


def noise(n, seed):
    draw = random.Random(seed).random
    return [2.0 * draw() - 1.0 for _ in range(n)]


def decay(n, tau, delay=0.0):
    """exp(-(t - delay) / tau) from `delay` on, 0 before it."""
    start = count(delay)
    k = 1.0 / (tau * RATE)
    return [0.0] * start + [math.exp(-i * k) for i in range(n - start)]


def sweep(n, f_start, f_end, tau, phase=0.0):
    """Sine whose frequency glides exponentially from f_start to f_end: the
    falling pitch of a struck membrane. The phase is the closed-form integral
    of the frequency, so no error accumulates."""
    span = (f_start - f_end) * tau
    return [math.sin(phase + TWO_PI * (f_end * t + span * (1.0 - math.exp(-t / tau))))
            for t in times(n)]


def sine(n, freq, phase=0.0):
    w = TWO_PI * freq / RATE
    return [math.sin(phase + w * i) for i in range(n)]


def square(n, freq, phase=0.0):
    inc = freq / RATE
    return [1.0 if (phase + inc * i) % 1.0 < 0.5 else -1.0 for i in range(n)]


def mul(a, b):
    return [x * y for x, y in zip(a, b)]


def mix(*parts):
    """Sum of (gain, signal) pairs; shorter signals count as zero at the end."""
    n = max(len(s) for _, s in parts)
    out = [0.0] * n
    for gain, s in parts:
        for i, x in enumerate(s):
            out[i] += gain * x
    return out


def biquad(x, kind, freq, q):
    """Direct form I filter with the usual cookbook coefficients."""
    w = TWO_PI * freq / RATE
    cw, alpha = math.cos(w), math.sin(w) / (2.0 * q)
    if kind == "lp":
        b0, b1, b2 = (1 - cw) / 2, 1 - cw, (1 - cw) / 2
    elif kind == "hp":
        b0, b1, b2 = (1 + cw) / 2, -(1 + cw), (1 + cw) / 2
    elif kind == "bp":  # peak gain 1 at freq
        b0, b1, b2 = alpha, 0.0, -alpha
    else:
        raise ValueError(kind)
    a0, a1, a2 = 1 + alpha, -2 * cw, 1 - alpha
    b0, b1, b2, a1, a2 = b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0
    out = []
    append = out.append
    x1 = x2 = y1 = y2 = 0.0
    for s in x:
        y = b0 * s + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1, y2, y1 = x1, s, y1, y
        append(y)
    return out


def saturate(x, drive):
    """Soft clipping for weight and harmonics, gain-normalised."""
    norm = 1.0 / math.tanh(drive)
    return [math.tanh(drive * s) * norm for s in x]


def finish(x, peak):
    """Removes DC, shapes a click-free start and end, and scales to `peak`."""
    # One-pole DC blocker at about 12 Hz.
    r = 1.0 - TWO_PI * 12.0 / RATE
    out = []
    append = out.append
    prev_x = prev_y = 0.0
    for s in x:
        prev_y = s - prev_x + r * prev_y
        prev_x = s
        append(prev_y)
    n = len(out)
    fade_in = min(24, n)  # half a millisecond: keeps the attack, loses the click
    for i in range(fade_in):
        out[i] *= 0.5 - 0.5 * math.cos(math.pi * i / fade_in)
    fade_out = min(count(0.02), n)
    for i in range(fade_out):
        out[n - 1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / fade_out)
    top = max(abs(s) for s in out)
    scale = peak / top
    return [s * scale for s in out]


def metal(n, ratio, seed):
    """Six detuned square waves: the clangorous core of hats and cymbals."""
    phases = random.Random(seed).random
    freqs = (205.3, 304.4, 369.6, 522.7, 540.0, 800.0)
    return mix(*[(1.0 / 6, square(n, f * ratio, phases())) for f in freqs])


# --- the sixteen sounds ---------------------------------------------------------

def kick():
    n = count(0.5)
    body = saturate(mul(sweep(n, 170.0, 50.0, 0.04), decay(n, 0.085)), 1.6)
    click = mul(biquad(noise(n, 101), "lp", 3500.0, 0.7), decay(n, 0.003))
    return mix((1.0, body), (0.5, click))


def snare():
    n = count(0.35)
    tone = mix((0.6, sweep(n, 240.0, 185.0, 0.01)), (0.35, sweep(n, 420.0, 330.0, 0.01, 1.0)))
    tone = mul(tone, decay(n, 0.045))
    rattle = biquad(biquad(noise(n, 202), "hp", 1800.0, 0.7), "lp", 9000.0, 0.7)
    rattle = mul(rattle, decay(n, 0.085))
    return mix((1.0, tone), (1.3, rattle))


def rim():
    n = count(0.12)
    return mix(
        (0.6, mul(sine(n, 1720.0), decay(n, 0.008))),
        (0.5, mul(sine(n, 495.0, 0.5), decay(n, 0.014))),
        (1.2, mul(biquad(noise(n, 303), "bp", 3200.0, 2.0), decay(n, 0.004))),
    )


def clap():
    n = count(0.45)
    source = biquad(biquad(noise(n, 404), "bp", 1150.0, 0.9), "hp", 600.0, 0.7)
    # Several hands a few milliseconds apart, then the room.
    env = [0.0] * n
    for delay in (0.0, 0.009, 0.019, 0.03):
        start = count(delay)
        for i, e in enumerate(decay(n - start, 0.0045)):
            env[start + i] += e
    for i, e in enumerate(decay(n, 0.11, 0.03)):
        env[i] += 0.45 * e
    return mul(source, env)


def hat(seconds, tau, seed):
    n = count(seconds)
    source = mix((1.0, metal(n, 1.0, seed)), (0.35, noise(n, seed + 1)))
    source = biquad(biquad(source, "bp", 10000.0, 0.8), "hp", 7000.0, 0.7)
    return mul(source, decay(n, tau))


def closed_hat():
    return hat(0.15, 0.022, 505)


def open_hat():
    n = count(0.55)
    h = hat(0.55, 0.16, 606)
    # The slower second stage a loosely closed pair of cymbals rings with.
    return mul(h, [0.75 + 0.25 * e for e in decay(n, 0.03)])


def tom(base, tau, seed):
    n = count(0.55)
    head = mul(sweep(n, base * 1.3, base, 0.04), decay(n, tau))
    overtone = mul(sweep(n, base * 2.4, base * 1.59, 0.04, 0.7), decay(n, tau * 0.35))
    stick = mul(biquad(noise(n, seed), "lp", 3000.0, 0.7), decay(n, 0.005))
    return saturate(mix((1.0, head), (0.25, overtone), (0.35, stick)), 1.2)


def low_tom():
    return tom(98.0, 0.12, 707)


def mid_tom():
    return tom(135.0, 0.105, 808)


def high_tom():
    return tom(185.0, 0.09, 909)


def crash():
    n = count(1.6)
    wash = biquad(noise(n, 1010), "hp", 4500.0, 0.6)
    clang = biquad(metal(n, 1.47, 1011), "hp", 3000.0, 0.7)
    env = [0.85 * a + 0.6 * b for a, b in zip(decay(n, 0.42), decay(n, 0.05))]
    attack = count(0.002)
    for i in range(attack):
        env[i] *= i / attack
    return mul(biquad(mix((1.0, wash), (0.8, clang)), "lp", 13000.0, 0.7), env)


def ride():
    n = count(1.0)
    rng = random.Random(1111).random
    bell = mix(*[(g, mul(sine(n, f, TWO_PI * rng()), decay(n, tau)))
                 for f, g, tau in ((2960.0, 0.5, 0.3), (4475.0, 0.35, 0.22),
                                   (5230.0, 0.25, 0.18), (6810.0, 0.2, 0.12))])
    wash = mul(biquad(noise(n, 1112), "bp", 7500.0, 0.9), decay(n, 0.3))
    ping = mul(biquad(noise(n, 1113), "hp", 5000.0, 0.7), decay(n, 0.004))
    return mix((1.0, bell), (0.6, wash), (0.5, ping))


def cowbell():
    n = count(0.35)
    # Two band-limited squares (odd harmonics) a sixth apart.
    tone = mix(*[(1.0 / k, sine(n, f * k)) for f in (562.0, 845.0) for k in (1, 3, 5, 7)])
    tone = biquad(tone, "bp", 1400.0, 1.2)
    env = [0.6 * a + 0.4 * b for a, b in zip(decay(n, 0.012), decay(n, 0.085))]
    return mul(tone, env)


def shaker():
    n = count(0.18)
    grains = biquad(biquad(noise(n, 1313), "hp", 5500.0, 0.7), "bp", 8500.0, 0.8)
    # Beads fly against the shell: a swell, then a quick fall.
    rise = count(0.03)
    env = [(i / rise) ** 2 if i < rise else math.exp(-(i - rise) / (0.035 * RATE)) for i in range(n)]
    return mul(grains, env)


def tambourine():
    n = count(0.4)
    rng = random.Random(1414).random
    jingles = mix(*[(1.0, sine(n, f, TWO_PI * rng()))
                    for f in (5310.0, 6890.0, 8120.0, 9630.0, 11170.0)])
    hiss = biquad(noise(n, 1415), "hp", 7000.0, 0.7)
    # The jingles clash more than once as the frame shakes.
    env = [0.0] * n
    for delay, gain in ((0.0, 1.0), (0.014, 0.7), (0.033, 0.5)):
        for i, e in enumerate(decay(n, 0.006, delay)):
            env[i] += gain * e
    for i, e in enumerate(decay(n, 0.09, 0.033)):
        env[i] += 0.35 * e
    grain = [0.5 + 0.5 * abs(x) for x in biquad(noise(n, 1416), "lp", 400.0, 0.7)]
    # Filtered after the envelope, so its steep onsets do not thump.
    return biquad(mul(mix((0.5, mul(jingles, grain)), (1.0, hiss)), env), "hp", 3000.0, 0.7)


def claves():
    n = count(0.15)
    return mix(
        (1.0, mul(sine(n, 2480.0), decay(n, 0.028))),
        (0.2, mul(sine(n, 6700.0, 0.3), decay(n, 0.008))),
        (0.4, mul(biquad(noise(n, 1515), "bp", 4000.0, 1.5), decay(n, 0.002))),
    )


def conga():
    n = count(0.35)
    head = mul(sweep(n, 330.0, 262.0, 0.02), decay(n, 0.075))
    overtone = mul(sweep(n, 520.0, 418.0, 0.02, 0.4), decay(n, 0.03))
    slap = mul(biquad(noise(n, 1616), "bp", 1600.0, 1.2), decay(n, 0.004))
    return mix((1.0, head), (0.3, overtone), (0.9, slap))


# File name (in kit order), generator, peak level.
KIT = (
    ("01 kick.wav", kick, 0.92),
    ("02 snare.wav", snare, 0.85),
    ("03 rim.wav", rim, 0.6),
    ("04 clap.wav", clap, 0.8),
    ("05 closed hat.wav", closed_hat, 0.55),
    ("06 open hat.wav", open_hat, 0.5),
    ("07 low tom.wav", low_tom, 0.85),
    ("08 mid tom.wav", mid_tom, 0.85),
    ("09 high tom.wav", high_tom, 0.85),
    ("10 crash.wav", crash, 0.55),
    ("11 ride.wav", ride, 0.5),
    ("12 cowbell.wav", cowbell, 0.6),
    ("13 shaker.wav", shaker, 0.45),
    ("14 tambourine.wav", tambourine, 0.5),
    ("15 claves.wav", claves, 0.6),
    ("16 conga.wav", conga, 0.8),
)


def pcm16(signal):
    frames = array.array("h", (max(-32767, min(32767, int(round(s * 32767.0)))) for s in signal))
    if sys.byteorder != "little":
        frames.byteswap()
    return frames.tobytes()


def write_wav(path, signal):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(pcm16(signal))


def write_kit(folder):
    os.makedirs(folder, exist_ok=True)
    names = {name for name, _, _ in KIT}
    # A file left from an older kit would shift every sound index after it.
    for old in os.listdir(folder):
        if old.lower().endswith(".wav") and old not in names:
            os.remove(os.path.join(folder, old))
    for name, make, peak in KIT:
        write_wav(os.path.join(folder, name), finish(make(), peak))


def main(argv):
    if len(argv) == 2 and argv[1] == "--names":
        print("\n".join(name for name, _, _ in KIT))
        return 0
    if len(argv) != 2:
        sys.stderr.write("usage: synth.py KIT-FOLDER | --names\n")
        return 2
    write_kit(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
