#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus: a setup file
of every layout the reader knows (and the demo setup the build makes), the
clipboard's measure stream, and small WAV files of every sample format and
chunk order, including some that must be refused.

    fuzz/make_seeds.py [--demo build/native/demo/Demo.^&^]

Inputs the fuzzers found and that had to be mended live beside these seeds
(names beginning with "found-"); this script leaves them alone.
"""
import argparse
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
CORPUS = os.path.join(HERE, "corpus")


# --- setup files ---------------------------------------------------------

def string_field(text, wide=False):
    data = text.encode("cp1252")
    if wide:
        units = text.encode("utf-16-le")
        return b"\xff" + struct.pack("<H", 0xFFFE) + length_prefix(len(units) // 2) + units
    return length_prefix(len(data)) + data


def length_prefix(n):
    if n < 255:
        return bytes([n])
    if n < 65534:
        return b"\xff" + struct.pack("<H", n)
    return b"\xff" + struct.pack("<HI", 0xFFFF, n)


def setup_file(version, sound_dir="C:\\Sounds\\Kit", wide=False, seed=0):
    """A setup file of `version` with varied but valid values."""
    v = struct.unpack("<f", struct.pack("<f", version))[0]
    out = struct.pack("<fhdihhi", version, seed % 2, 126.0 + seed, 7, 3, seed % 8, seed % 2)
    out += struct.pack("<I", 0x00336699)
    if v < 2.0:
        out += struct.pack("<II", 0x00AA5500, 0x00FFFFFF)
    for m in range(8):
        if v < 2.0:
            out += struct.pack("<i", 0)
        if v < 1.003:
            out += struct.pack("<h", 0)
        else:
            out += struct.pack("<hh", (m + 1) % 8, 1 + m % 4)
        for j in range(16):
            pitch, sound, volume, pan = (j * 7 + m) % 128 - 60, (j + m) % 16, 110 - j, (j * 8) % 128
            if v < 2.0:
                out += struct.pack("<hhhhii", pitch, sound, volume, pan, (j + m) % 2, 1 + j % 3)
            else:
                out += struct.pack("<hhhhhh", pitch, sound, volume, pan, (j * 5) % 128, (j + m) % 2)
    if v < 2.0:
        out += struct.pack("<iiii", 100, 120, 700, 290)
        if v >= 1.5:
            out += struct.pack("<i", seed % 2)
        return out
    out += struct.pack("<iiii", 100, 120, 12, seed % 2)
    if v == 2.0:
        return out
    out += struct.pack("<hh", 75, -12)
    if v < 9001.0:
        return out
    return out + string_field(sound_dir, wide)


def setup_seeds():
    seeds = {
        "v1.0": setup_file(1.0),
        "v1.05": setup_file(1.05),
        "v1.2": setup_file(1.2),
        "v1.7": setup_file(1.7, seed=1),
        "v2.0": setup_file(2.0),
        "v2.5": setup_file(2.5, seed=1),
        "v9001": setup_file(9001.0),
        "v9001-empty-folder": setup_file(9001.0, sound_dir=""),
        "v9001-long-folder": setup_file(9001.0, sound_dir="C:\\" + "Long Folder Name\\" * 20),
        "v9001-wide-folder": setup_file(9001.0, sound_dir="C:\\Klänge\\Caf\u00e9", wide=True),
    }
    # The trailer behind the folder: swing and own rate, whole or not.
    trailers = {
        "swing-own-rate": struct.pack("<Ihh", 4, 667, 1),
        "later-fields": struct.pack("<Ihhhi", 10, 540, 0, 3, -1),
        "out-of-range": struct.pack("<Ihh", 4, 900, 5),
        "beyond-end": struct.pack("<Ihh", 400, 710, 1),
        "short-field": struct.pack("<Ih", 2, 710),
    }
    for name, body in trailers.items():
        seeds["v9001-trailer-" + name] = setup_file(9001.0) + b"SFXT" + body
    seeds["v9001-trailer-wrong-tag"] = setup_file(9001.0) + b"SFXU" + trailers["swing-own-rate"]
    return seeds


# --- the clipboard's measure stream -----------------------------------------

def measure_stream(values):
    return b"".join(struct.pack("<hhhhhh", *step) for step in values)


def measure_seeds():
    new_measure = [(1, 0, j, 110, 64, 64) for j in range(16)]
    copy_buffer = [(1, 0, 0, 100, 64, 30)] * 16
    edges = [(j % 2, -60 if j % 2 else 67, 127 * (j % 2), 127 - j, 0 if j < 8 else 127, j * 8) for j in range(16)]
    return {
        "new-measure": measure_stream(new_measure),
        "copy-buffer": measure_stream(copy_buffer),
        "edges": measure_stream(edges),
        "clipboard-block": measure_stream(new_measure) + bytes(4096 - 192),
        "short": measure_stream(new_measure)[:100],
    }


# --- WAV files ----------------------------------------------------------------

EXTENSIBLE_TAIL = bytes([0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71])


def samples(encoding, bits, channels, frames=12):
    values = [0.7 * math.sin(2 * math.pi * i / frames) for i in range(frames) for _ in range(channels)]
    if encoding == "float":
        return b"".join(struct.pack("<f" if bits == 32 else "<d", x) for x in values)
    if bits == 8:
        return bytes(int(round(128 + 127 * x)) for x in values)
    top = 2 ** (bits - 1) - 1
    return b"".join(int(round(top * x)).to_bytes(bits // 8, "little", signed=True) for x in values)


def wav(tag, bits, channels, data, fmt_extra=b"", fmt_size=None, data_first=False, list_chunk=False, rate=44100):
    align = channels * bits // 8
    fields = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits) + fmt_extra
    size = len(fields) if fmt_size is None else fmt_size
    fields = (fields + bytes(max(0, size - len(fields))))[:size]
    fmt = b"fmt " + struct.pack("<I", size) + fields + (b"\0" if size % 2 else b"")
    chunk = b"data" + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    info = b"LIST" + struct.pack("<I", 10) + b"INFOabcdef" if list_chunk else b""
    body = b"WAVE" + (chunk + info + fmt if data_first else fmt + info + chunk)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def extensible(sub_tag, bits, valid_bits=None):
    return struct.pack("<HHIH", 22, valid_bits or bits, 3, sub_tag) + EXTENSIBLE_TAIL


def wave_seeds():
    return {
        "pcm8-mono": wav(1, 8, 1, samples("pcm", 8, 1)),
        "pcm16-stereo": wav(1, 16, 2, samples("pcm", 16, 2)),
        "pcm16-fmt18": wav(1, 16, 1, samples("pcm", 16, 1), fmt_extra=b"\0\0"),
        "pcm16-data-first-list": wav(1, 16, 1, samples("pcm", 16, 1), data_first=True, list_chunk=True),
        "pcm24-stereo": wav(1, 24, 2, samples("pcm", 24, 2), rate=48000),
        "pcm32-mono": wav(1, 32, 1, samples("pcm", 32, 1)),
        "float32-mono": wav(3, 32, 1, samples("float", 32, 1), fmt_extra=b"\0\0"),
        "float64-stereo": wav(3, 64, 2, samples("float", 64, 2), fmt_extra=b"\0\0"),
        "extensible-pcm24": wav(0xFFFE, 24, 2, samples("pcm", 24, 2), fmt_extra=extensible(1, 24)),
        "extensible-pcm32-valid24": wav(0xFFFE, 32, 2, samples("pcm", 32, 2), fmt_extra=extensible(1, 32, 24)),
        "extensible-float": wav(0xFFFE, 32, 1, samples("float", 32, 1), fmt_extra=extensible(3, 32)),
        "extensible-adpcm": wav(0xFFFE, 16, 1, samples("pcm", 16, 1), fmt_extra=extensible(2, 16)),
        "adpcm": wav(2, 4, 1, bytes(range(32)), fmt_extra=struct.pack("<HH", 2, 0x07F4)),
        "pcm12": wav(1, 12, 1, bytes(range(24))),
        "float-fmt16": wav(3, 32, 1, samples("float", 32, 1), list_chunk=True),
        "pcm16-odd-data": wav(1, 16, 1, samples("pcm", 16, 1)[:23]),
    }


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if not name.startswith("found-"):
            os.remove(os.path.join(folder, name))
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--demo", default=os.path.join(REPO, "build", "native", "demo", "Demo.^&^"))
    options = parser.parse_args()
    setups = setup_seeds()
    with open(options.demo, "rb") as demo:
        setups["demo"] = demo.read()
    write(os.path.join(CORPUS, "setup_file"), setups)
    write(os.path.join(CORPUS, "measure_stream"), measure_seeds())
    write(os.path.join(CORPUS, "wave"), wave_seeds())


if __name__ == "__main__":
    main()
