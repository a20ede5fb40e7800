"""The demo's first measure as a recording of it must sound: a hit on every
step the demo fills and nothing new on the steps it leaves empty.

Drum sounds ring on under the next steps (the kick for most of a measure), so
a level threshold cannot tell a quiet shaker from the kick's tail. The signal
is first differentiated, which all but removes the low kick body and keeps
every attack, and each step then compares the peak just after its time with
the level just before it. Each channel is judged on its own (a sound panned
to one side stands out there), and a hit may also show as the level itself
rising: a soft attack (the conga's) under a noisy one still ringing (the
shaker's) hardly steepens the slope once a resampler has smoothed both.
"""
import array
import sys
import wave

RATE = 48000
TEMPO = 116.0  # tools/kit/demo_setup.cpp
STEP_MS = 15000.0 / TEMPO
# The intro's steps, all its lines merged (tools/kit/demo_setup.cpp): 'x' a
# hit, '.' nothing, 'o' a ghost note under a conga still ringing, too faint to
# tell from it reliably, so not judged.
FIRST_MEASURE = "x.xxx.xxx.xxxxxo"
HIT_RATIO = 2.0     # a hit at least doubles the level (the faintest measured 3.4)
QUIET_RATIO = 1.0   # an empty step only lets the level fall (measured below 0.4)
START_LEVEL = 0.02


def read_wav(path):
    """Parameters and the (left, right) channels of a 16-bit stereo WAV file, as floats."""
    with wave.open(path, "rb") as source:
        params = source.getparams()
        frames = array.array("h", source.readframes(params.nframes))
    if sys.byteorder != "little":
        frames.byteswap()
    return params, [x / 32768.0 for x in frames[0::2]], [x / 32768.0 for x in frames[1::2]]


def _slope_frames(left, right):
    """The differentiated mono signal's peak in each 5 ms frame."""
    mono = [(a + b) * 0.5 for a, b in zip(left, right)]
    slope = [0.0] + [abs(mono[i] - mono[i - 1]) for i in range(1, len(mono))]
    return slope, _peaks(slope)


def _peaks(signal):
    """The peak of each 5 ms frame."""
    hop = RATE // 200
    return [max(signal[i:i + hop]) for i in range(0, len(signal) - hop + 1, hop)]


def _channel_frames(channel):
    """A channel's differentiated peaks and level peaks in 5 ms frames."""
    slope = [0.0] + [abs(channel[i] - channel[i - 1]) for i in range(1, len(channel))]
    return _peaks(slope), _peaks([abs(x) for x in channel])


def measure_ratios(frames, anchor_ms):
    """The rise of the level at each of the 16 steps of a measure whose first
    step sounds at `anchor_ms`. A step's rise is the peak in the 30 ms from
    its attack over the peak in the 30 ms up to 10 ms before it; the attack is
    looked for within 30 ms of the step's time, as sound output is not
    sample-exact."""
    def level(from_ms, to_ms):
        return max(frames[max(0, int(from_ms / 5)):max(0, int(to_ms / 5))], default=0.0)

    ratios = []
    for k in range(16):
        t = anchor_ms + k * STEP_MS
        ratios.append(max(level(a - 5, a + 25) / (level(a - 40, a - 10) + 0.002)
                          for a in (t + shift for shift in range(-30, 31, 5))))
    return ratios


def passes_of_first_measure(left, right):
    """[(anchor in ms, step ratios)] for every loud attack of the recording
    followed by a whole measure: the first measure may begin at any of them.
    Trying each, rather than only the first sound, keeps a moment's gap in
    the sound output of a loaded machine (its first steps lost, or a pass
    delayed) from failing a recording that holds a clean pass of it. An
    attack is a steep rise, or the loudest level coming back after a pause:
    the kick that begins the measure rises less steeply than a shaker's noise
    once the sound server's resampler has smoothed it."""
    slope, _ = _slope_frames(left, right)
    loudest = max(slope, default=0.0)
    if loudest < START_LEVEL:
        return []
    channels = [_channel_frames(left), _channel_frames(right)]
    level = [abs(a + b) * 0.5 for a, b in zip(left, right)]
    strongest = max(level)
    last = len(slope) - int((16 * STEP_MS + 100) * RATE / 1000)
    pause = RATE // 10
    anchors, i, loud_until = [], 0, -pause
    while i < last:
        steep = slope[i] >= loudest / 4
        returning = level[i] >= 0.6 * strongest and i - loud_until >= pause
        if level[i] >= 0.6 * strongest:
            loud_until = i
        if steep or returning:
            anchors.append(i)
            i += RATE // 10  # one attack, one anchor
            loud_until = i
        else:
            i += 1
    return [(i * 1000.0 / RATE, step_ratios(channels, i * 1000.0 / RATE)) for i in anchors]


def step_ratios(channels, anchor_ms):
    """(hit, quiet) ratios of the 16 steps: a hit is the steepest rise or the
    biggest level rise in either channel; an empty step must not steepen
    either channel's slope."""
    slopes = [measure_ratios(slope, anchor_ms) for slope, _ in channels]
    levels = [measure_ratios(level, anchor_ms) for _, level in channels]
    return [(max(s0, s1, l0, l1), max(s0, s1)) for s0, s1, l0, l1 in zip(*slopes, *levels)]


def pass_errors(ratios):
    errors = []
    for k, (mark, (hit, quiet)) in enumerate(zip(FIRST_MEASURE, ratios)):
        if mark == "x" and hit < HIT_RATIO:
            errors.append(f"step {k + 1} should sound")
        elif mark == "." and quiet >= QUIET_RATIO:
            errors.append(f"step {k + 1} should be empty")
    return errors


def first_sound_ms(left, right):
    slope, _ = _slope_frames(left, right)
    return next((i * 1000.0 / RATE for i, v in enumerate(slope) if v >= START_LEVEL), None)


def check_first_measure(test, left, right):
    """Fails `test` unless the recording holds a pass of the demo's first
    measure as the demo writes it, and its sound began soon."""
    start = first_sound_ms(left, right)
    test.assertIsNotNone(start, "the recording is silent")
    test.assertLess(start, 3000, "playback began within 3 s of the recording")
    passes = passes_of_first_measure(left, right)
    test.assertTrue(passes, "the recording is shorter than a measure")
    report = []
    for anchor, ratios in passes:
        errors = pass_errors(ratios)
        if not errors:
            return
        shown = " ".join(f"{k + 1}:{hit:.1f}/{quiet:.1f}" for k, (hit, quiet) in enumerate(ratios))
        report.append(f"from {anchor:.0f} ms: {', '.join(errors)}; rises {shown}")
    test.fail("no pass of the first measure sounds as the demo writes it:\n" + "\n".join(report[:4]))
