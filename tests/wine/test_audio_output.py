"""What DirectSound really plays: the sound engine is driven by a script under
Wine, its output is recorded from a private PulseAudio sink in real time, and
pitch, level, pan and timing are measured on the recording."""
import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wine"))
import harness  # noqa: E402
from audio_analysis import RATE, db, first_onset, frequency, holes, ms_to_index, onsets, rms, steady_part, tone_power  # noqa: E402

PROBE = os.environ["STEPFORGE_ENGINE_PROBE"]
PREFIX = os.environ.get("STEPFORGE_WINEPREFIX")


EXTENSIBLE_TAIL = bytes([0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71])


def wav_bytes(frames, rate, bits, channels, data_first=False, list_chunk=False, encoding="pcm"):
    """A RIFF/WAVE file; `frames` are floats in -1..1 (one per frame, copied to every channel).
    `encoding` is "pcm", "float" or "extensible-pcm" / "extensible-float"."""
    floating = encoding.endswith("float")
    if floating:
        data = b"".join(struct.pack("<f" if bits == 32 else "<d", x) * channels for x in frames)
    elif bits == 8:
        data = bytes(int(round(128 + 127 * x)) for x in frames for _ in range(channels))
    else:
        top = 2 ** (bits - 1) - 1
        data = b"".join(int(round(top * x)).to_bytes(bits // 8, "little", signed=True) * channels for x in frames)
    align = channels * bits // 8
    tag = {"pcm": 1, "float": 3}.get(encoding, 0xFFFE)
    fields = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    if tag == 3:
        fields += struct.pack("<H", 0)
    elif tag == 0xFFFE:
        fields += struct.pack("<HHIH", 22, bits, 3 if channels == 2 else 4, 3 if floating else 1) + EXTENSIBLE_TAIL
    fmt = b"fmt " + struct.pack("<I", len(fields)) + fields
    chunk = b"data" + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    info = b"LIST" + struct.pack("<I", 10) + b"INFOabcdef" if list_chunk else b""
    body = b"WAVE" + (chunk + info + fmt if data_first else fmt + info + chunk)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def sine(hz, seconds, rate, amplitude=0.5, decay=False):
    count = int(seconds * rate)
    return [amplitude * (1 - i / count if decay else 1) * math.sin(2 * math.pi * hz * i / rate) for i in range(count)]


SCRIPT = """
dir {folder}
sound tone44.wav
sound tone22.wav
sound tone8stereo.wav
sound decay.wav
sound tone24.wav
sound tonefloat.wav
sound toneext.wav
load
assign 0 0 0
assign 0 1 2
assign 0 2 1
assign 0 3 3
assign 0 4 4
assign 0 5 5
assign 0 6 6
master 100
set 0 0 volume 127
set 0 1 volume 127
set 0 2 volume 127
set 0 3 volume 127
set 0 4 volume 127
set 0 5 volume 127
set 0 6 volume 127
sleep 1000

mark sync
trigger 0 0
sleep 400
stop 0 0
sleep 250

set 0 0 pitch 12
mark up12
trigger 0 0
sleep 400
stop 0 0
sleep 250

set 0 0 pitch -12
mark down12
trigger 0 0
sleep 400
stop 0 0
sleep 250
set 0 0 pitch 0

masterpitch 12
mark transposed
trigger 0 0
sleep 400
mark retuned
masterpitch -12
sleep 400
stop 0 0
masterpitch 0
sleep 250

mark halfrate
trigger 0 2
sleep 400
stop 0 2
sleep 250

mark eightbit
trigger 0 1
sleep 400
stop 0 1
sleep 250

mark bits24
trigger 0 4
sleep 400
stop 0 4
sleep 250

mark float
trigger 0 5
sleep 400
stop 0 5
sleep 250

mark extensible
trigger 0 6
sleep 400
stop 0 6
sleep 250

ownrate 1
mark ownrate
trigger 0 4
sleep 400
stop 0 4
sleep 250
ownrate 0

master 80
set 0 0 volume 110
mark defaults
trigger 0 0
sleep 400
stop 0 0
sleep 250

set 0 0 volume 0
mark silent
trigger 0 0
playing 0 0
sleep 400
stop 0 0
sleep 250

master 100
set 0 0 volume 127
mute 1
mark muted
trigger 0 0
playing 0 0
sleep 300
mark unmuted
mute 0
sleep 400
stop 0 0
sleep 250

set 0 0 pan 0
mark left
trigger 0 0
sleep 400
stop 0 0
sleep 250

set 0 0 pan 127
mark right
trigger 0 0
sleep 400
stop 0 0
sleep 250
set 0 0 pan 64

mark first
trigger 0 3
sleep 600
mark again
trigger 0 3
sleep 400
stop 0 3
sleep 250

mark together
trigger 0 0
trigger 0 1
sleep 400
killall
sleep 250

trigger 0 0
sleep 300
mark stopped
stop 0 0
sleep 400

trigger 0 0
trigger 0 1
sleep 300
mark killed
killall
sleep 400
"""


class AudioOutputTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="stepforge-sounds-")
        sounds = {
            "tone44.wav": wav_bytes(sine(1000, 3.0, 44100), 44100, 16, 1),
            "tone22.wav": wav_bytes(sine(1000, 3.0, 22050), 22050, 16, 1),
            "tone8stereo.wav": wav_bytes(sine(1500, 3.0, 44100), 44100, 8, 2, data_first=True, list_chunk=True),
            "decay.wav": wav_bytes(sine(1000, 1.0, 44100, decay=True), 44100, 16, 1),
            # As today's editors write them: played as 16-bit PCM.
            "tone24.wav": wav_bytes(sine(1000, 3.0, 48000), 48000, 24, 2, list_chunk=True),
            "tonefloat.wav": wav_bytes(sine(1250, 3.0, 44100), 44100, 32, 1, encoding="float"),
            "toneext.wav": wav_bytes(sine(1500, 3.0, 44100), 44100, 24, 2, encoding="extensible-pcm"),
        }
        for name, data in sounds.items():
            with open(os.path.join(cls.folder, name), "wb") as out:
                out.write(data)
        script = os.path.join(cls.folder, "script.txt")
        with open(script, "w") as out:
            out.write(SCRIPT.format(folder="Z:" + cls.folder.replace("/", "\\")))

        # A recording with long holes (Wine's mixer missed its periods) is
        # made again: they say nothing about the program but move its
        # onsets; short ones are measured around (see window()).
        for attempt in range(3):
            cls.record(script)
            long_holes = cls.labels_with_holes(longer_than_ms=18)
            if not long_holes:
                break
            print(f"recording {attempt + 1} has long holes under {', '.join(long_holes)}", file=sys.stderr)

    @classmethod
    def record(cls, script):
        with harness.WineSession(PREFIX, audio=True) as session:
            session.start_recording(os.path.join(cls.folder, "out.raw"))
            probe = session.start(PROBE, script, stdout=subprocess.PIPE)
            output, _ = probe.communicate(timeout=120)
            cls.exit_code = probe.returncode
            cls.left, cls.right = session.stop_recording()
        cls.lines = output.decode(errors="replace").splitlines()
        cls.marks = {}
        for line in cls.lines:
            words = line.split()
            if words and words[0] == "MARK":
                cls.marks[words[1]] = float(words[2])
        # The first sound in the recording is the "sync" trigger; every other
        # event sits at the same offset (give or take Wine's 10 ms mixing step).
        onset = min(first_onset(cls.left) or len(cls.left), first_onset(cls.right) or len(cls.right))
        cls.offset = onset - ms_to_index(cls.marks.get("sync", 0))
        # Sounds that begin after silence, on either channel.
        cls.starts = sorted(set(onsets(cls.left, threshold=0.02)) | set(onsets(cls.right, threshold=0.02)))

    @classmethod
    def labels_with_holes(cls, longer_than_ms):
        found = []
        for label in cls.marks:
            at = cls.origin(label)
            within = holes(cls.left, cls.right, max(0, at), min(len(cls.left), at + ms_to_index(400)))
            if any(end - begin > ms_to_index(longer_than_ms) for begin, end in within):
                found.append(label)
        return found

    @classmethod
    def origin(cls, label):
        """Where the event `label` starts in the recording. The output latency
        wanders on a busy machine, so the estimate follows the onsets of the
        sounding events up to this one."""
        correction = 0
        for name, at in sorted(cls.marks.items(), key=lambda item: item[1]):
            if at > cls.marks[label]:
                break
            expected = cls.offset + correction + ms_to_index(at)
            near = [i for i in cls.starts if abs(i - expected) <= ms_to_index(120)]
            if near:
                correction = near[0] - cls.offset - ms_to_index(at)
        return cls.offset + correction + ms_to_index(cls.marks[label])

    def window(self, label, begin_ms, end_ms):
        at = self.origin(label)
        begin, end = at + ms_to_index(begin_ms), at + ms_to_index(end_ms)
        steady = steady_part(self.left, self.right, begin, end)
        if steady != (begin, end):
            print(f"{label}: the recording has a hole in {begin_ms}..{end_ms} ms; measured over "
                  f"{(steady[0] - at) * 1000 / RATE:.0f}..{(steady[1] - at) * 1000 / RATE:.0f} ms", file=sys.stderr)
        return steady

    def level(self, label, begin_ms=100, end_ms=300, channel=None):
        begin, end = self.window(label, begin_ms, end_ms)
        return rms(channel if channel is not None else self.left, begin, end)

    def test_probe_ran_every_command_without_notices(self):
        self.assertEqual(self.exit_code, 0, "\n".join(self.lines))
        self.assertFalse([line for line in self.lines if line.startswith("NOTE")])
        self.assertEqual(len(self.marks), 22)

    def test_pitch_follows_the_table_and_the_master_pitch_and_the_files_rate_only_when_asked(self):
        # "transposed": step pitch 0 under master pitch 12; "retuned": the same
        # voice, still sounding, after the master pitch went to -12 (measured
        # later in its 400 ms: what Wine had mixed ahead still has the old pitch).
        # "ownrate": the 48 kHz tone at its own rate ("bits24": without).
        expected = {"sync": 1000, "up12": 2000, "down12": 22049 / 44.1, "halfrate": 2000, "eightbit": 1500,
                    "transposed": 2000, "retuned": 22049 / 44.1, "ownrate": 1000}
        for label, hz in expected.items():
            begin, end = self.window(label, *((200, 380) if label == "retuned" else (100, 300)))
            self.assertAlmostEqual(frequency(self.left, begin, end), hz, delta=hz * 0.01, msg=label)

    def test_24_bit_float_and_extensible_files_play_their_tone_not_noise(self):
        # Each is a clean sine at the level of the 16-bit one; noise would show
        # as a wrong zero-crossing rate, a wrong level or power off the tone.
        full = self.level("sync")
        for label, hz in (("bits24", 1000 * 44100 / 48000), ("float", 1250), ("extensible", 1500)):
            begin, end = self.window(label, 100, 300)
            self.assertAlmostEqual(frequency(self.left, begin, end), hz, delta=hz * 0.01, msg=label)
            self.assertAlmostEqual(db(self.level(label) / full), 0, delta=0.5, msg=label)
            purity = tone_power(self.left, begin, end, hz) / rms(self.left, begin, end) ** 2
            self.assertGreater(purity, 0.45, label)  # a pure sine gives 0.5

    def test_level_follows_the_volume_map(self):
        full = self.level("sync")
        self.assertGreater(full, 0.2)
        self.assertAlmostEqual(db(self.level("defaults") / full), -8.76, delta=0.5)
        self.assertLess(db(self.level("silent") / full), -60)
        self.assertIn("PLAYING 0 0 1", self.lines, "a silent voice still runs")

    def test_mute_silences_a_running_voice_and_unmute_brings_it_back(self):
        full = self.level("sync")
        self.assertLess(db(self.level("muted", 50, 250) / full), -60)
        self.assertAlmostEqual(db(self.level("unmuted", 100, 300) / full), 0, delta=0.5)
        self.assertEqual(self.lines.count("PLAYING 0 0 1"), 2)

    def test_pan_extremes_and_centre(self):
        full_right = self.level("sync", channel=self.right)
        self.assertAlmostEqual(db(full_right / self.level("sync")), 0, delta=0.5, msg="centre is equal")
        self.assertGreater(self.level("left"), 0.2)
        self.assertLess(db(self.level("left", channel=self.right) / full_right), -60)
        self.assertGreater(self.level("right", channel=self.right), 0.2)
        self.assertLess(db(self.level("right") / full_right), -60)

    def test_retrigger_restarts_the_sound_from_its_beginning(self):
        # The sound fades out over one second: its start is loud, its middle half as loud.
        before = self.level("first", 450, 550)
        after = self.level("again", 30, 130)
        self.assertGreater(after / before, 1.4)

    def test_two_steps_sound_together(self):
        begin, end = self.window("together", 100, 300)
        reference = tone_power(self.left, *self.window("sync", 100, 300), 1000)
        self.assertGreater(tone_power(self.left, begin, end, 1000), 0.5 * reference)
        self.assertGreater(tone_power(self.left, begin, end, 1500), 0.1 * reference)
        self.assertLess(tone_power(self.left, begin, end, 1250), 0.01 * reference)

    def test_stop_and_kill_all_silence(self):
        full = self.level("sync")
        self.assertGreater(self.level("stopped", -200, -50), 0.2)
        self.assertLess(db(self.level("stopped", 100, 300) / full), -60)
        self.assertGreater(self.level("killed", -200, -50), 0.2)
        self.assertLess(db(self.level("killed", 100, 300) / full), -60)


if __name__ == "__main__":
    unittest.main()
