"""Measurements on recorded 48 kHz audio: onsets, levels, frequencies."""
import math

RATE = 48000


def ms_to_index(ms):
    return int(round(ms * RATE / 1000.0))


def first_onset(channel, start=0, threshold=0.02):
    """Index of the first sample at or after `start` whose magnitude reaches `threshold`."""
    for i in range(start, len(channel)):
        if abs(channel[i]) >= threshold:
            return i
    return None


def rms(channel, begin, end):
    window = channel[begin:end]
    if not window:
        return 0.0
    return math.sqrt(sum(x * x for x in window) / len(window))


def db(ratio):
    return 20 * math.log10(ratio) if ratio > 0 else -math.inf


def holes(left, right, begin, end, hole_ms=2, rate=RATE):
    """Runs of at least `hole_ms` inside [begin, end) where both channels are
    exactly silent between sounding samples, as (first, past-the-last) pairs.
    Wine's mixer now and then misses its period, on a quiet machine too, and
    the sink then plays silence; the sound resumes late, which says nothing about the
    program but skews a frequency or a level measured across it."""
    shortest = int(hole_ms * rate / 1000)
    found, quiet_from, sounded = [], None, False
    for i in range(begin, end):
        if abs(left[i]) < 1e-6 and abs(right[i]) < 1e-6:
            if quiet_from is None:
                quiet_from = i
            continue
        if sounded and quiet_from is not None and i - quiet_from >= shortest:
            found.append((quiet_from, i))
        quiet_from, sounded = None, True
    return found


def steady_part(left, right, begin, end, shortest_ms=100, rate=RATE):
    """The longest part of [begin, end) between holes; the window itself when
    it has none, or when no part is as long as `shortest_ms`."""
    edges = [begin] + [edge for hole in holes(left, right, begin, end, rate=rate) for edge in hole] + [end]
    longest = max(zip(edges[::2], edges[1::2]), key=lambda part: part[1] - part[0])
    return longest if longest[1] - longest[0] >= shortest_ms * rate / 1000 else (begin, end)


def frequency(channel, begin, end, rate=RATE):
    """Frequency of a clean tone from its rising zero crossings, interpolated."""
    crossings = []
    for i in range(begin + 1, end):
        a, b = channel[i - 1], channel[i]
        if a < 0 <= b:
            crossings.append(i - 1 + (-a) / (b - a))
    if len(crossings) < 3:
        return 0.0
    periods = len(crossings) - 1
    return periods * rate / (crossings[-1] - crossings[0])


def tone_power(channel, begin, end, hz):
    """Goertzel power of one frequency, normalised by the window length."""
    n = end - begin
    coefficient = 2 * math.cos(2 * math.pi * hz / RATE)
    s_prev = s_prev2 = 0.0
    for i in range(begin, end):
        s = channel[i] + coefficient * s_prev - s_prev2
        s_prev2, s_prev = s_prev, s
    power = s_prev2 * s_prev2 + s_prev * s_prev - coefficient * s_prev * s_prev2
    return power / (n * n)


def onsets(channel, threshold=0.05, quiet_ms=40):
    """Indices where sound begins after at least `quiet_ms` below `threshold`."""
    found = []
    quiet_needed = ms_to_index(quiet_ms)
    last_loud = -quiet_needed
    for i, x in enumerate(channel):
        if abs(x) >= threshold:
            if i - last_loud >= quiet_needed:
                found.append(i)
            last_loud = i
    return found


def step_onsets(channel, detect=0.1, quiet_ms=10, rate=RATE):
    """Onsets of bursts with a steep front and a flat top (clicks of at least
    1 ms), as (position, height) pairs: the height is the burst's level 0.3 to
    0.7 ms after its front, the position where the front crosses half of it,
    in fractional samples (interpolated between the two samples around the
    crossing), which does not move with the height. A burst is found where
    the signal rises through `detect` after `quiet_ms` below it."""
    found = []
    quiet_needed = int(quiet_ms * rate / 1000)
    top_from, top_to = int(0.3e-3 * rate), int(0.7e-3 * rate)
    last_loud, i, n = -quiet_needed, 1, len(channel)
    while i < n:
        if channel[i] >= detect:
            if i - last_loud >= quiet_needed and i + top_to < n:
                top = sorted(channel[i + top_from:i + top_to])
                height = top[len(top) // 2]
                half = height / 2
                j = i
                while channel[j] < half:
                    j += 1
                before = channel[j - 1]
                found.append((j - 1 + (half - before) / (channel[j] - before), height))
            last_loud = i
        i += 1
    return found


def silent_runs(channel, begin, end, shortest_ms=1, rate=RATE):
    """Runs of at least `shortest_ms` inside [begin, end) where the channel is
    exactly silent, as (first, past-the-last) pairs: where a stream that
    never falls silent by itself had nothing to play."""
    shortest = int(shortest_ms * rate / 1000)
    found, quiet_from = [], None
    for i in range(begin, end):
        if abs(channel[i]) < 1e-6:
            if quiet_from is None:
                quiet_from = i
            continue
        if quiet_from is not None and i - quiet_from >= shortest:
            found.append((quiet_from, i))
        quiet_from = None
    return found


def reference_track(seconds, interval, level=0.5, floor=0.002, rate=RATE):
    """16-bit stereo WAV bytes of a reference click track: a 1 ms step of
    `level` on the right channel every `interval` samples, exactly, from
    sample `interval` on, and a faint constant `floor` between the clicks, so
    that the recording also shows where the reference stream fell silent."""
    import array
    import struct
    import sys
    frames = int(seconds * rate)
    right = array.array("h", [int(round(floor * 32767))]) * frames
    click = int(round(level * 32767))
    for start in range(interval, frames, interval):
        for i in range(start, min(frames, start + rate // 1000)):
            right[i] = click
    samples = array.array("h", [0]) * (2 * frames)
    samples[1::2] = right
    if sys.byteorder != "little":
        samples.byteswap()
    data = samples.tobytes()
    fmt = struct.pack("<4sIHHIIHH", b"fmt ", 16, 1, 2, rate, rate * 4, 4, 16)
    return struct.pack("<4sI4s", b"RIFF", 4 + len(fmt) + 8 + len(data), b"WAVE") + fmt + \
        struct.pack("<4sI", b"data", len(data)) + data


def on_reference_timeline(onsets, reference, interval):
    """Places recorded onsets on the reference's timeline: each onset between
    two recorded reference clicks is interpolated between their ideal
    positions (whole multiples of `interval` apart, counted from the first
    reference click found). Whatever the recording chain did to both channels
    alike cancels. Onsets outside the reference's span are left out: returns
    (recorded position, position on the reference's timeline) pairs."""
    if len(reference) < 2:
        return []
    ideal = [0]
    for before, at in zip(reference, reference[1:]):
        ideal.append(ideal[-1] + max(1, round((at - before) / interval)) * interval)
    placed, j = [], 0
    for t in onsets:
        if t < reference[0] or t >= reference[-1]:
            continue
        while reference[j + 1] <= t:
            j += 1
        share = (t - reference[j]) / (reference[j + 1] - reference[j])
        placed.append((t, ideal[j] + share * (ideal[j + 1] - ideal[j])))
    return placed
