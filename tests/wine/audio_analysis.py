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
