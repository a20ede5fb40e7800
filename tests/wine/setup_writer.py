"""Writes setup files for end-to-end tests, byte for byte in the program's
current layout, so a test can hand the program a file of its own making."""
import struct


def setup_file_bytes(sound_dir, steps, tempo=126.0, steps_per_measure=16, polyphonic=0, master_volume=80,
                     chain=None, left=100, top=100, colour=0x00405060):
    """steps: {(measure, step): (on, pitch, sound, volume, pan, aux)}; others are off."""
    out = struct.pack("<fhdihhiI", 9001.0, 0, tempo, 0, 1, 0, 0, colour)
    for m in range(8):
        next_measure, repeat = (chain or {}).get(m, (m, 1))
        out += struct.pack("<hh", next_measure, repeat)
        for s in range(16):
            on, pitch, sound, volume, pan, aux = steps.get((m, s), (0, 0, 0, 100, 64, 64))
            out += struct.pack("<hhhhhh", pitch, sound, volume, pan, aux, on)
    out += struct.pack("<iiiihh", left, top, steps_per_measure, polyphonic, master_volume, 0)
    name = sound_dir.encode("cp1252")
    assert len(name) < 255
    return out + bytes([len(name)]) + name
