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
