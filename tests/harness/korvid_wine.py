"""Helpers for tests that drive korvid.exe (or another Windows program) under Wine.

The environment comes from scripts/test: KORVID_WINE (the wine command), WINEPREFIX,
KORVID_EXE (build/windows/korvid.exe). Every test that needs a display starts its own
virtual one, so tests can choose the screen size and depth they need."""
import os
import pathlib
import re
import shutil
import subprocess
import threading
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KORVID_BUILD", ROOT / "build"))


def wineserver_command():
    for name in ("wineserver", "wineserver-stable"):
        if shutil.which(name):
            return shutil.which(name)
    return str(pathlib.Path(wine_command()).parent / "wineserver")


def end_wineserver(env=None):
    """Ends the prefix's wineserver and with it Wine's desktop process, which belongs to the
    display it was started on: a program started later on another display needs a new one
    (with a stale one its message boxes return at once)."""
    env = env or wine_environment()
    subprocess.run([wineserver_command(), "-k"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    subprocess.run([wineserver_command(), "-w"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)


def wine_command():
    for name in (os.environ.get("KORVID_WINE"), "wine", "wine-stable"):
        if name and shutil.which(name):
            return shutil.which(name)
    raise RuntimeError("wine not found")


def korvid_exe():
    return pathlib.Path(os.environ.get("KORVID_EXE", BUILD / "windows" / "korvid.exe"))


def windows_path(path):
    """A Linux path as the Windows program sees it through Wine's Z: drive."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def normalise(text):
    """Console output of a Windows program through a pipe has CRLF line ends."""
    return text.replace("\r\n", "\n")


class VirtualDisplay:
    """Xvfb on a free display number, for as long as the with-block lasts."""

    def __init__(self, geometry="320x240x24"):
        self.geometry = geometry
        self.process = None
        self.name = None

    def __enter__(self):
        for n in range(200, 300):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            process = subprocess.Popen(
                ["Xvfb", f":{n}", "-screen", "0", self.geometry, "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{n}") or process.poll() is not None:
                    break
                time.sleep(0.05)
            if process.poll() is None:
                self.process, self.name = process, f":{n}"
                end_wineserver(wine_environment(self.name))
                return self
        raise RuntimeError("no free display number for Xvfb")

    def __exit__(self, *exc):
        if self.process:
            end_wineserver(wine_environment(self.name))
            self.process.terminate()
            self.process.wait(timeout=10)


def wine_environment(display=None, dll_overrides=None, extra=None):
    """Without a display of its own a program gets the one scripts/test started for the script
    tests: a Wine program started without any display breaks the message boxes of programs
    started after it in the same Wine session."""
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", str(BUILD / "wineprefix"))
    env["WINEDEBUG"] = "-all"
    if display:
        env["DISPLAY"] = display
    if dll_overrides:
        env["WINEDLLOVERRIDES"] = dll_overrides
    if extra:
        env.update(extra)
    return env


def run_windows_program(program, args=(), display=None, dll_overrides=None, cwd=None,
                        stdin_text="\n", timeout=600, extra_env=None):
    """Runs a Windows program under Wine; returns (exit code, stdout with LF line ends).
    A program still running after `timeout` seconds is ended, and the failure names what it
    had printed by then."""
    process = subprocess.Popen(
        [wine_command(), str(program), *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL, cwd=cwd, env=wine_environment(display, dll_overrides, extra_env))
    try:
        out, _ = process.communicate(stdin_text.encode(), timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        out, _ = process.communicate()
        raise AssertionError("%s %s still running after %d s; it had printed:\n%s" % (
            program, " ".join(args), timeout, normalise(out.decode("latin-1"))[-3000:]))
    return process.returncode, normalise(out.decode("latin-1"))


def run_korvid(args=(), **kwargs):
    return run_windows_program(korvid_exe(), args, **kwargs)


class BoxAnswerer(threading.Thread):
    """Answers message boxes of a Windows program on a virtual display from outside the process:
    finds the box, a top-level window whose class is the program's name and whose title is the
    caption, and presses keys.
    `answers` is a list of key sequences ("Return" for the first button, "n" for No, "Tab space"
    for the second button when it has no accelerator); each box that appears takes the next one.
    The titles of the boxes answered are kept in `seen`."""

    def __init__(self, display, class_name="korvid.exe", answers=("Return",), timeout=300,
                 caption="Korvid"):
        super().__init__(daemon=True)
        self.display = display
        self.class_name = class_name
        self.caption = caption
        self.answers = list(answers)
        self.timeout = timeout
        self.seen = []
        self._finish = threading.Event()

    def _xdotool(self, *args):
        return subprocess.run(["xdotool", *args], capture_output=True, text=True,
                              env={**os.environ, "DISPLAY": self.display}, timeout=30)

    def run(self):
        deadline = time.time() + self.timeout
        answered = set()
        while self.answers and not self._finish.is_set() and time.time() < deadline:
            # The program's other windows (the full-screen test window) share the class, so a
            # box is a window of the class that also carries the caption (xdotool takes one
            # pattern per search).
            by_class = self._xdotool("search", "--onlyvisible", "--classname",
                                     "^" + re.escape(self.class_name) + "$").stdout.split()
            by_name = self._xdotool("search", "--onlyvisible", "--name",
                                    "^" + re.escape(self.caption) + "$").stdout.split()
            ids = [w for w in by_class if w in by_name and w not in answered]
            if not ids:
                time.sleep(0.3)
                continue
            window = ids[0]
            name = self._xdotool("getwindowname", window).stdout.strip()
            time.sleep(0.5)  # let the box finish drawing and take the focus
            self._xdotool("windowfocus", "--sync", window)
            self._xdotool("key", "--window", window, *self.answers.pop(0).split())
            self.seen.append(name)
            answered.add(window)
            time.sleep(0.5)

    def stop(self):
        self._finish.set()
        self.join(timeout=5)


class ScratchPrefix:
    """A Wine prefix of its own (about 7 s to make), for tests that put a stand-in library where
    the system keeps its own (`system_folder`): the program takes system libraries from there
    only. Pass `environment` to the programs run in it; end their session with `end_session`
    before their display goes."""

    def __enter__(self):
        import tempfile
        self.path = pathlib.Path(tempfile.mkdtemp(prefix="korvid-prefix-"))
        self.environment = {"WINEPREFIX": str(self.path)}
        subprocess.run([wine_command(), "wineboot", "-i"],
                       env=wine_environment(dll_overrides="mscoree,mshtml=", extra=self.environment),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300, check=True)
        self.end_session()
        return self

    def system_folder(self):
        return self.path / "drive_c" / "windows" / "system32"

    def end_session(self):
        end_wineserver(wine_environment(extra=self.environment))

    def __exit__(self, *exc):
        self.end_session()
        shutil.rmtree(self.path, ignore_errors=True)
