#!/usr/bin/env python3
"""Runs the Windows build under Wine the way a person uses it.

A WineSession owns everything it starts: a private Wine prefix (created once
and reused), an Xvfb display when none is given, optionally a private PulseAudio
daemon with a null sink whose monitor parec records, and the Windows processes.
Leaving the session (also through an exception) stops all of it.

Command line:
    harness.py exec [--prefix DIR] [--audio] [--display] -- PROGRAM [ARGS...]
        runs PROGRAM under Wine and returns its exit code (used by ctest).
    harness.py app [--prefix DIR] [--seconds N] [--screenshot PNG] PROGRAM [ARGS...]
        starts PROGRAM for a person: on $DISPLAY, or under Xvfb when there is none.
    harness.py play [--prefix DIR] [--seconds N] [--recording WAV] [--screenshot PNG] PROGRAM SETUP
        starts PROGRAM on SETUP. On $DISPLAY it runs until closed (or N seconds);
        without a display it plays SETUP as a person would (the space bar),
        records N seconds (8 by default) of the output into a 16-bit WAV file,
        takes a screenshot, closes the program and prints where both files are.
"""
import argparse
import array
import contextlib
import fcntl
import math
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
CAPTION_KEY = " -  +  \u00f7  x"  # the first characters of the main window's caption
CAPTION_REGEX = "^" + re.escape(CAPTION_KEY)
SAMPLE_RATE = 48000


class HarnessError(Exception):
    pass


def runs_32bit():
    """Whether this machine runs 32-bit x86 code (tools/can-run-32bit)."""
    probe = os.path.join(REPO, "tools", "can-run-32bit")
    return subprocess.run([probe], stdout=subprocess.DEVNULL).returncode == 0


def default_build_dir():
    """The Windows build to use when none is named: the 32-bit program where it
    can run, else the 64-bit one."""
    return os.path.join(REPO, "build", "windows" if runs_32bit() else "windows64")


def default_prefix():
    return os.path.join(default_build_dir(), "wineprefix")


# Wine's own loaders, started directly: Debian's /usr/bin/wine starts the
# 32-bit one whenever wine32 is installed, even where the kernel cannot run it.
LOADERS = {"win32": "/usr/lib/wine/wine", "win64": "/usr/lib/wine/wine64"}
LOADER_PACKAGES = {"win32": "wine32:i386", "win64": "wine64"}


def pe_arch(path):
    """'win32' or 'win64': the architecture a Windows executable was built for."""
    with open(path, "rb") as program:
        head = program.read(4096)
    try:
        offset = struct.unpack_from("<I", head, 0x3C)[0]
        if head[offset:offset + 4] != b"PE\0\0":
            raise ValueError
        machine = struct.unpack_from("<H", head, offset + 4)[0]
        return {0x14C: "win32", 0x8664: "win64"}[machine]
    except (struct.error, ValueError, KeyError):
        raise HarnessError(f"{path} is not a 32-bit or 64-bit x86 Windows program")


def default_arch():
    """The architecture of the program under test: STEPFORGE_WINEARCH, else
    that of $STEPFORGE_EXE, else the one whose loader is installed (32-bit first)."""
    arch = os.environ.get("STEPFORGE_WINEARCH")
    if arch:
        if arch not in LOADERS:
            raise HarnessError(f"STEPFORGE_WINEARCH must be win32 or win64, not {arch!r}")
        return arch
    if os.environ.get("STEPFORGE_EXE"):
        return pe_arch(os.environ["STEPFORGE_EXE"])
    return "win32" if os.access(LOADERS["win32"], os.X_OK) else "win64"


def wine_environment(prefix, arch):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    env["WINEARCH"] = arch
    env["WINELOADER"] = LOADERS[arch]
    return env


def prefix_arch(prefix):
    """The architecture an existing prefix was made for (wineboot notes it in system.reg)."""
    with open(os.path.join(prefix, "system.reg"), encoding="latin-1") as registry:
        for line in registry:
            match = re.match(r"#arch=(win32|win64)", line)
            if match:
                return match.group(1)
    return "win32"


def ensure_prefix(prefix, env):
    """Creates the prefix once; concurrent callers wait for the first one."""
    arch, loader = env["WINEARCH"], env["WINELOADER"]
    if not os.access(loader, os.X_OK):
        raise HarnessError(f"{arch} programs need Wine's loader {loader} (package {LOADER_PACKAGES[arch]}),"
                           " which is not installed here")
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    with open(prefix + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(prefix, "system.reg")):
            made_for = prefix_arch(prefix)
            if made_for != arch:
                raise HarnessError(f"the prefix {prefix} was made for {made_for} programs, not {arch}:"
                                   " use another prefix or delete this one")
            return
        boot = subprocess.run([loader, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=300, check=False)
        subprocess.run(["wineserver", "-w"], env=env, timeout=300, check=False)
        if not os.path.exists(os.path.join(prefix, "system.reg")):
            reason = boot.stderr.decode(errors="replace").strip().splitlines()
            raise HarnessError(f"wineboot did not create the prefix {prefix}"
                               + (f": {reason[-1]}" if reason else ""))


def wait_until(predicate, timeout, interval=0.1, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() > deadline:
            raise HarnessError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class WineSession:
    def __init__(self, prefix=None, display=None, audio=False, need_display=True, arch=None,
                 screen="1280x800x24"):
        self.prefix = os.path.abspath(prefix or default_prefix())
        self.display = display
        self.screen = screen  # of the Xvfb display started when none is given
        self.audio = audio
        self.need_display = need_display
        self.arch = arch or default_arch()
        self.loader = LOADERS[self.arch]
        self.env = wine_environment(self.prefix, self.arch)
        self.processes = []
        self._xvfb = None
        self._runtime_dir = None
        self._recorder = None
        self._recording_path = None

    # ----- lifecycle -------------------------------------------------------
    def __enter__(self):
        try:
            ensure_prefix(self.prefix, self.env)
            if self.need_display:
                self._start_display()
            if self.audio:
                self._start_audio()
            if self.need_display:
                self._start_desktop()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _start_display(self):
        if self.display is None:
            self.display = os.environ.get("STEPFORGE_DISPLAY")
        if self.display:
            self.env["DISPLAY"] = self.display
            return
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise HarnessError("Xvfb did not report a display")
        self.display = ":" + number.decode().strip()
        self.env["DISPLAY"] = self.display

    def _start_desktop(self):
        """Starts Wine's desktop with a program of its own before the session's.

        Under load Wine 8 now and then finishes starting its desktop process
        (explorer) only after the first program has given up waiting for it:
        every program of that server then finds no display driver, and ours
        ends without a window. The first program here is notepad, and a
        server whose notepad gets no window is replaced.
        """
        for _ in range(3):
            notepad = subprocess.Popen([self.loader, "notepad"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                wait_until(lambda: notepad.poll() is not None or self.find_windows("Notepad$"), 60,
                           what="Wine's desktop")
                started = notepad.poll() is None
            except HarnessError:
                started = False
            with contextlib.suppress(ProcessLookupError):
                notepad.kill()
            notepad.wait(timeout=30)
            if started:
                return
            print("harness: Wine's desktop did not start; starting its server again", file=sys.stderr)
            self._stop_wineserver()
        raise HarnessError("Wine's desktop did not start three times: its programs get no window")

    def _stop_wineserver(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=False)
        # -k only asks: a program of the next session on this prefix that
        # reaches the old server before it is gone joins its desktop, whose
        # display has just been closed, and exits without a window.
        with contextlib.suppress(subprocess.TimeoutExpired):
            subprocess.run(["wineserver", "-w"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30, check=False)

    def _start_audio(self):
        self._runtime_dir = tempfile.mkdtemp(prefix="stepforge-pulse-")
        os.chmod(self._runtime_dir, 0o700)
        self.env["XDG_RUNTIME_DIR"] = self._runtime_dir
        self.env["PULSE_RUNTIME_PATH"] = os.path.join(self._runtime_dir, "pulse")
        subprocess.run(
            ["pulseaudio", "-D", "--exit-idle-time=-1", "-n", "--disallow-exit=no",
             "--load=module-null-sink sink_name=cap rate=48000",
             "--load=module-native-protocol-unix"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30, check=False)
        wait_until(lambda: subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL).returncode == 0,
                   15, what="the PulseAudio daemon")
        subprocess.run(["pactl", "set-default-sink", "cap"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        self.stop_recording()
        for process in self.processes:
            if process.poll() is None:
                with contextlib.suppress(ProcessLookupError):
                    process.kill()
        if os.path.exists(os.path.join(self.prefix, "system.reg")):
            self._stop_wineserver()
        for process in self.processes:
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(timeout=10)
        self.processes = []
        if self._runtime_dir:
            subprocess.run(["pulseaudio", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30, check=False)
            shutil.rmtree(self._runtime_dir, ignore_errors=True)
            self._runtime_dir = None
        if self._xvfb:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self._xvfb.pid, signal.SIGTERM)
            with contextlib.suppress(subprocess.TimeoutExpired):
                self._xvfb.wait(timeout=10)
            self._xvfb = None

    # ----- programs --------------------------------------------------------
    def start(self, program, *args, cwd=None, stdout=subprocess.DEVNULL):
        process = subprocess.Popen([self.loader, program, *args], env=self.env, cwd=cwd,
                                   stdout=stdout, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def run(self, program, *args, timeout=300, cwd=None):
        process = subprocess.Popen([self.loader, program, *args], env=self.env, cwd=cwd)
        self.processes.append(process)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            raise HarnessError(f"{program} did not finish within {timeout} s")

    def wait_exit(self, process, timeout=20):
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"process {process.pid} still running after {timeout} s")

    # ----- windows and input -----------------------------------------------
    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                                text=True, timeout=30)
        if check and result.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(map(str, args))} failed: {result.stderr.strip()}")
        return result.stdout

    def find_windows(self, caption_regex):
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", caption_regex],
                                env=self.env, capture_output=True, text=True, timeout=30)
        return [int(line) for line in result.stdout.split()]

    def wait_window(self, caption_regex=CAPTION_REGEX, timeout=30):
        try:
            found = wait_until(lambda: self.find_windows(caption_regex), timeout,
                               what=f"a window named /{caption_regex}/")
        except HarnessError as error:
            # A message box in the way is the usual reason: say what is on the screen.
            raise HarnessError(f"{error}; visible windows: {self.visible_window_names()}; "
                               f"{self.process_states()}") from None
        return found[0]

    def process_states(self):
        """What became of the programs started: running, or their exit codes."""
        states = [f"{os.path.basename(p.args[1])} {'running' if p.poll() is None else f'exited with {p.returncode}'}"
                  for p in self.processes if isinstance(p.args, list) and len(p.args) > 1]
        return "programs: " + (", ".join(states) or "none started")

    def visible_window_names(self):
        names = []
        for window in self.find_windows(".*"):
            result = subprocess.run(["xdotool", "getwindowname", str(window)], env=self.env,
                                    capture_output=True, text=True, timeout=30)
            if result.returncode == 0 and result.stdout.strip():
                names.append(result.stdout.strip())
        return names or "none"

    def wait_window_gone(self, window, timeout=20):
        def gone():
            result = subprocess.run(["xdotool", "getwindowname", str(window)], env=self.env,
                                    capture_output=True, timeout=30)
            return result.returncode != 0 or window not in self.find_windows(".*")
        wait_until(gone, timeout, what=f"window {window} to close")

    def window_name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def geometry(self, window):
        """Client-area position and size: without a window manager the X window is the client area."""
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window)

    def click(self, window, x, y, button=1):
        self.xdotool("mousemove", "--window", window, x, y, "click", button)

    def drag(self, window, x1, y1, x2, y2, button=1, steps=8):
        self.xdotool("mousemove", "--window", window, x1, y1, "mousedown", button)
        for i in range(1, steps + 1):
            self.xdotool("mousemove", "--window", window,
                         x1 + (x2 - x1) * i // steps, y1 + (y2 - y1) * i // steps)
            time.sleep(0.02)
        self.xdotool("mouseup", button)

    def key(self, window, *keys):
        self.focus(window)
        self.xdotool("key", "--clearmodifiers", *keys)

    def type_text(self, window, text):
        self.focus(window)
        self.xdotool("type", "--delay", "30", text)

    def screenshot(self, path, window=None):
        target = str(window) if window is not None else "root"
        subprocess.run(["import", "-window", target, path], env=self.env, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    # ----- registry -----------------------------------------------------------
    def reg_query(self, key, value=None):
        """Returns the data of a value (or the key's listing when value is None); None when missing."""
        args = [self.loader, "reg", "query", key]
        if value is not None:
            args += ["/ve"] if value == "" else ["/v", value]
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=120)
        if result.returncode != 0:
            return None
        if value is None:
            return result.stdout
        for line in result.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    # ----- audio --------------------------------------------------------------
    def start_recording(self, path, latency_msec=5):
        """Records the sink into `path`. A longer latency lets the capture
        ride out a busy machine without dropping blocks, at the cost of how
        soon the samples arrive."""
        if not self.audio:
            raise HarnessError("the session was opened without audio")
        self._recording_path = path
        out = open(path, "wb")
        self._recorder = subprocess.Popen(
            ["parec", "-d", "cap.monitor", "--format=float32le", "--rate=48000", "--channels=2",
             f"--latency-msec={latency_msec}"], env=self.env, stdout=out, stderr=subprocess.DEVNULL)
        out.close()
        time.sleep(0.3)  # the first onsets after a stream opens can be lost

    def start_playing(self, wav_path):
        """Plays a WAV file into the sink beside the programs (paplay), as
        a reference recorded in the same run; ended with the session."""
        if not self.audio:
            raise HarnessError("the session was opened without audio")
        process = subprocess.Popen(["paplay", "-d", "cap", wav_path], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def stop_recording(self, drain=1.0):
        """Stops parec after `drain` seconds (what was played last is still on
        its way through the sink) and returns the (left, right) channels."""
        if not self._recorder:
            return None
        time.sleep(drain)
        self._recorder.terminate()
        with contextlib.suppress(subprocess.TimeoutExpired):
            self._recorder.wait(timeout=10)
        self._recorder = None
        return read_recording(self._recording_path)


def read_recording(path):
    """The left and right channels of a float32 stereo recording, as arrays."""
    samples = array.array("f")
    with open(path, "rb") as source:
        data = source.read()
    samples.frombytes(data[:len(data) // 8 * 8])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples[0::2], samples[1::2]


def windows_path(path):
    """The path as Windows programs in a prefix see it: wineboot maps Z: to /.
    A path with a drive letter is one already."""
    if re.match(r"^[A-Za-z]:\\", path):
        return path
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_wav(path, left, right, rate=SAMPLE_RATE):
    """Writes two float channels as a 16-bit PCM stereo WAV file, clipped to full scale."""
    frames = array.array("h")
    for a, b in zip(left, right):
        frames.append(max(-32767, min(32767, int(round(a * 32767)))))
        frames.append(max(-32767, min(32767, int(round(b * 32767)))))
    if sys.byteorder != "little":
        frames.byteswap()
    data = frames.tobytes()
    fmt = struct.pack("<4sIHHIIHH", b"fmt ", 16, 1, 2, rate, rate * 4, 4, 16)
    header = struct.pack("<4sI4s", b"RIFF", 4 + len(fmt) + 8 + len(data), b"WAVE") + fmt
    with open(path, "wb") as out:
        out.write(header + struct.pack("<4sI", b"data", len(data)) + data)
    return path


def peak(*channels):
    return max((max(abs(min(c, default=0.0)), abs(max(c, default=0.0))) for c in channels), default=0.0)


SAVE_QUESTION_REGEX = "\u20ac \u00a7 \u00b6"  # the save-changes question's decorated caption


def play_setup(session, program, setup_file, recording, screenshot=None, seconds=8.0, log=print):
    """Starts `program` on `setup_file` in an audio session, waits for its
    caption to name the file, presses space as a person would, records
    `seconds` of what it plays into `recording` (a 16-bit WAV file), takes a
    screenshot of the window while it plays, and closes it with Alt+F4
    (answering Don't Save should the save question appear). Returns the
    recorded (left, right) channels, the caption and the program's exit code.
    Program and setup file may be given as Windows paths."""
    title = re.split(r"[\\/]", setup_file)[-1]
    process = session.start(program, windows_path(setup_file))
    window = wait_until(lambda: next((w for w in session.find_windows(CAPTION_REGEX)
                                      if title in session.window_name(w)), None),
                        60, interval=0.2, what=f"a main window whose caption names {title}")
    caption = session.window_name(window)
    log(f"Stepforge opened {title} (window 0x{window:x}, caption {caption!r}).")
    # The first paint and the focus settle, and the sound stream the program
    # opened as it started: under Wine a new stream runs slow (its events a
    # 15.6 ms timer tick apart) for its first second or two.
    time.sleep(2.0)
    raw = recording + ".raw"
    session.start_recording(raw)
    try:
        # On a loaded machine parec may take longer than start_recording
        # allows: space is pressed once a twentieth of a second has arrived.
        wait_until(lambda: os.path.getsize(raw) >= SAMPLE_RATE * 8 // 20, 20, what="parec to record")
        session.key(window, "space")
        log(f"Pressed space: recording {seconds:g} s of its output.")
        time.sleep(min(1.5, seconds / 2))
        if screenshot:
            session.screenshot(screenshot, window)
        time.sleep(max(0.0, seconds - min(1.5, seconds / 2)))
        left, right = session.stop_recording(drain=0.3)
    finally:
        session.stop_recording(drain=0)
    try:
        write_wav(recording, left, right)
    finally:
        with contextlib.suppress(FileNotFoundError):
            os.remove(raw)
    session.key(window, "alt+F4")
    answered = False
    deadline = time.monotonic() + 20
    while process.poll() is None and time.monotonic() < deadline:
        questions = [] if answered else session.find_windows(SAVE_QUESTION_REGEX)
        if questions:
            log("It asked to save changes: answering Don't Save.")
            session.key(questions[0], "d")
            answered = True
        time.sleep(0.2)
    return left, right, caption, process.poll()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    run = sub.add_parser("exec", help="run a Windows program under Wine and return its exit code")
    run.add_argument("--prefix", default=None)
    run.add_argument("--audio", action="store_true", help="give it a private PulseAudio sink")
    run.add_argument("--display", action="store_true", help="give it an X display (Xvfb when none is set)")
    run.add_argument("--timeout", type=float, default=600)
    run.add_argument("program")
    run.add_argument("args", nargs=argparse.REMAINDER)
    app = sub.add_parser("app", help="start the program for a person: on $DISPLAY, or under Xvfb when there is none")
    app.add_argument("--prefix", default=None)
    app.add_argument("--seconds", type=float, default=None, help="stop it after this many seconds")
    app.add_argument("--screenshot", default=None, help="where to save a screenshot when running under Xvfb")
    app.add_argument("program")
    app.add_argument("args", nargs=argparse.REMAINDER)
    play = sub.add_parser("play", help="start the program on a setup file; without a display, play, record and close it")
    play.add_argument("--prefix", default=None)
    play.add_argument("--seconds", type=float, default=None,
                      help="on a display: stop it after this long; without one: record this long (8 s)")
    play.add_argument("--recording", default="recording.wav", help="the WAV file written without a display")
    play.add_argument("--screenshot", default="screenshot.png", help="the PNG file written without a display")
    play.add_argument("program")
    play.add_argument("setup")
    options = parser.parse_args()
    if options.command == "exec":
        with WineSession(options.prefix, audio=options.audio, arch=pe_arch(options.program),
                         need_display=options.display or options.audio) as session:
            return session.run(options.program, *options.args, timeout=options.timeout)
    if options.command == "play":
        if display_works(os.environ.get("DISPLAY")):
            return play_on_display(options)
        return play_without_display(options)
    return run_for_a_person(options)


def display_works(display):
    if not display:
        return False
    return subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=20).returncode == 0



def wait_then_close(session, process, window, seconds):
    """Lets the person use the program until it ends, or closes it after `seconds`."""
    if seconds is None:
        print("Close its window (or press Ctrl+C here) to stop.", flush=True)
        with contextlib.suppress(KeyboardInterrupt):
            process.wait()
        return
    with contextlib.suppress(subprocess.TimeoutExpired):
        process.wait(timeout=seconds)
    if process.poll() is None:
        print(f"Closing it after {seconds:g} s.", flush=True)
        session.key(window, "alt+F4")
        with contextlib.suppress(subprocess.TimeoutExpired):
            process.wait(timeout=10)

def run_for_a_person(options):
    display = os.environ.get("DISPLAY")
    own_display = not display_works(display)
    with WineSession(options.prefix, display=None if own_display else display, audio=own_display,
                     arch=pe_arch(options.program)) as session:
        process = session.start(options.program, *options.args, stdout=None)
        if own_display:
            print(f"No usable display: started Stepforge under Xvfb on {session.display}"
                  " with a private PulseAudio sink.", flush=True)
        window = session.wait_window(timeout=60)
        print(f"Stepforge is running (window 0x{window:x}, prefix {session.prefix}).", flush=True)
        if own_display and options.screenshot:
            time.sleep(0.5)
            session.screenshot(options.screenshot, window)
            print(f"Screenshot of its window: {options.screenshot}", flush=True)
        wait_then_close(session, process, window, options.seconds)
    return 0


def sound_server_works():
    return subprocess.run(["pactl", "info"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=20).returncode == 0


def play_on_display(options):
    """The program on the person's display and sound server, until it is closed
    (or for options.seconds). Without a sound server that answers, DirectSound
    would find no device and the program would say so before its window
    opens, so it gets a private sink instead, which nobody hears."""
    private_sound = not sound_server_works()
    with WineSession(options.prefix, display=os.environ["DISPLAY"], audio=private_sound,
                     arch=pe_arch(options.program)) as session:
        if private_sound:
            print("No PulseAudio server answers: Stepforge plays into a private sink you will not hear.",
                  flush=True)
        title = re.split(r"[\\/]", options.setup)[-1]
        process = session.start(options.program, windows_path(options.setup), stdout=None)
        window = wait_until(lambda: process.poll() is not None or next(
            (w for w in session.find_windows(CAPTION_REGEX) if title in session.window_name(w)), None),
            60, interval=0.2, what=f"a main window whose caption names {title}")
        if process.poll() is not None:
            raise HarnessError(f"Stepforge ended before its window opened (exit code {process.returncode})")
        print(f"Stepforge is open on {title} (window 0x{window:x}, prefix {session.prefix}):"
              " press space in its window to play.", flush=True)
        wait_then_close(session, process, window, options.seconds)
    return 0


def play_without_display(options):
    seconds = 8.0 if options.seconds is None else options.seconds
    recording, screenshot = os.path.abspath(options.recording), os.path.abspath(options.screenshot)
    for path in (recording, screenshot):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with contextlib.suppress(FileNotFoundError):
            os.remove(path)  # a file left by an earlier run must not pass for this one's
    with WineSession(options.prefix, display=None, audio=True, arch=pe_arch(options.program)) as session:
        print(f"No usable display: starting Stepforge under Xvfb on {session.display}"
              " with a private PulseAudio sink.", flush=True)
        left, right, _, code = play_setup(session, options.program, options.setup, recording, screenshot,
                                          seconds, log=lambda text: print(text, flush=True))
    print("Closed it." if code == 0 else f"It did not end cleanly (exit code {code}); stopped it.")
    level = peak(left, right)
    print(f"Recording ({len(left) / SAMPLE_RATE:.1f} s, 48 kHz stereo, 16-bit, peak "
          f"{20 * math.log10(level) if level > 0 else -math.inf:.1f} dBFS): {recording}")
    print(f"Screenshot: {screenshot}")
    if level < 0.01:
        print("harness: the recording is silent", file=sys.stderr)
        return 1
    return 0 if code == 0 else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except HarnessError as error:
        print(f"harness: {error}", file=sys.stderr)
        sys.exit(2)
