"""The player's side under Wine: the display and prefix, game folders, launcher
runs, the probe that inspects and drives their windows, and screenshots."""
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import uuid

from . import paths
from .polling import wait_until


class WineDesktop:
    """The X display and Wine prefix that every Wine program of the tests uses.

    DISPLAY and WINEPREFIX from the environment are honoured (scripts/test.sh
    sets both). Without DISPLAY a private Xvfb is started, and the prefix's
    wineserver is restarted so that it binds to that display; both are ended
    by stop()."""

    def __init__(self):
        self.display = os.environ.get("DISPLAY")
        self.prefix = os.environ.get("WINEPREFIX") or os.path.join(paths.WIN64, "wineprefix")
        self.xvfb = None

    def start(self):
        if not self.display:
            self._start_xvfb()
            self._wineserver_kill()
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            subprocess.run([paths.WINE, "wineboot", "-i"], env=self.env(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=300)
            subprocess.run([paths.WINESERVER, "-w"], env=self.env(), timeout=300)
        # Starts the prefix's wineserver and services now rather than inside a measured step.
        self.probe("window", "--class", "WC_NONE")
        return self

    def _start_xvfb(self):
        for n in range(141, 200):
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            display = ":%d" % n
            try:
                wait_until(lambda: xvfb.poll() is not None or subprocess.run(
                    ["xwininfo", "-root", "-display", display], capture_output=True).returncode == 0,
                    20, "Xvfb")
            except Exception:
                xvfb.kill()
                xvfb.wait()
                continue
            if xvfb.poll() is None:
                self.xvfb, self.display = xvfb, display
                return
        raise RuntimeError("no X display could be started")

    def _wineserver_kill(self):
        subprocess.run([paths.WINESERVER, "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def stop(self):
        if self.xvfb is not None:
            self._wineserver_kill()
            self.xvfb.terminate()
            self.xvfb.wait(10)
            self.xvfb = None

    def env(self, **extra):
        env = dict(os.environ)
        env.update({"WINEPREFIX": self.prefix, "WINEDEBUG": "-all", "LC_ALL": "ja_JP.UTF-8"})
        if self.display:
            env["DISPLAY"] = self.display
        env.update(extra)
        return env

    @property
    def drive_c(self):
        return os.path.join(self.prefix, "drive_c")

    def local_app_data(self):
        """The folder that CSIDL_LOCAL_APPDATA names inside the prefix."""
        return os.path.join(self.drive_c, "users", "root", "AppData", "Local")

    def temp_dir(self):
        """The folder that GetTempPathA names inside the prefix."""
        return os.path.join(self.drive_c, "users", "root", "Temp")

    # probe

    def probe(self, *args, timeout=60):
        """Runs probe.exe with args. Returns (exit status, list of JSON objects)."""
        # Output goes through a file, not a pipe: Wine services that the first
        # program of a prefix starts inherit its handles and outlive it.
        with tempfile.TemporaryFile() as out:
            done = subprocess.run([paths.WINE, paths.PROBE_EXE] + [str(a) for a in args], env=self.env(),
                                  stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                  timeout=timeout)
            out.seek(0)
            text = out.read()
        objects = []
        for line in text.decode("latin-1").splitlines():
            line = line.strip()
            if line.startswith("{"):
                objects.append(json.loads(line))
        return done.returncode, objects

    def probe_one(self, *args, timeout=60):
        """Runs probe.exe; returns its first JSON object (None when it printed none)."""
        _, objects = self.probe(*args, timeout=timeout)
        return objects[0] if objects else None

    def screenshot(self, path):
        """Writes a PNG of the whole display. Returns True when it was written."""
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        xwd = subprocess.run(["xwd", "-root", "-silent", "-display", self.display], capture_output=True, timeout=60)
        if xwd.returncode != 0:
            return False
        done = subprocess.run(["convert", "xwd:-", path], input=xwd.stdout, capture_output=True, timeout=60)
        return done.returncode == 0 and os.path.exists(path)


def unhex(text):
    return bytes.fromhex(text)


class GameFolder:
    """A fresh game folder: launcher.exe, the stand-in game as korvan.exe and,
    if wanted, a config.ini. Its unique name marks every process started from it."""

    def __init__(self, root, config_ini=True, game=True, name="game", reuse=False, launcher=None):
        """reuse keeps an existing folder as it is, with a fresh launcher.exe;
        launcher is the program copied as launcher.exe (default: the test build's)."""
        self.path = os.path.join(root, name)
        os.makedirs(self.path, exist_ok=reuse)
        launcher = launcher or paths.LAUNCHER_EXE
        if os.path.exists(launcher):
            shutil.copy(launcher, os.path.join(self.path, "launcher.exe"))
        if game:
            shutil.copy(paths.FAKE_KORVAN_EXE, os.path.join(self.path, "korvan.exe"))
        if config_ini and not self.exists("config.ini"):
            self.write("config.ini", b"")
        self.record_file = os.path.join(root, "korvan-record-" + name)
        self.dll_marker = os.path.join(root, "dll-loads-" + name)

    @property
    def launcher(self):
        return os.path.join(self.path, "launcher.exe")

    def file(self, name):
        return os.path.join(os.fsencode(self.path), os.fsencode(name) if isinstance(name, str) else name)

    def write(self, name, data):
        path = self.file(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.file(name), "rb") as f:
            return f.read()

    def exists(self, name):
        return os.path.exists(self.file(name))

    def dll_loads(self):
        """Returns the paths (bytes) of the marker DLLs loaded by this folder's runs."""
        if not os.path.exists(self.dll_marker):
            return []
        with open(self.dll_marker, "rb") as f:
            return f.read().splitlines()

    def record(self):
        """Returns (command line bytes, working directory bytes) that the game
        recorded, or None while it has not run."""
        if not os.path.exists(self.record_file):
            return None
        with open(self.record_file, "rb") as f:
            data = f.read()
        parts = data.split(b"\0")
        return parts[0], parts[1]


class LauncherRun:
    """One launcher process under Wine, started from a game folder by the probe
    with an exact command line: the quoted program path, then, if args is not
    empty, one space and args (bytes in the ANSI code page, unchanged)."""

    def __init__(self, desktop, folder, args=b"", cwd=None, command_line=None):
        self.desktop = desktop
        self.folder = folder
        self.token = uuid.uuid4().hex
        if command_line is None:
            command_line = b'"' + paths.windows_path(folder.launcher).encode() + b'"'
            if args:
                command_line += b" " + args
        self.command_line = command_line
        self.output_path = folder.path + ".spawn.txt"
        self.output = open(self.output_path, "wb")
        env = desktop.env(KORVAN_RECORD_FILE=paths.windows_path(folder.record_file),
                          KORVAN_DLL_MARKER=paths.windows_path(folder.dll_marker), KORVAN_E2E_RUN=self.token)
        spawn = [paths.WINE, paths.PROBE_EXE, "spawn", "--cmdline-hex", command_line.hex()]
        if cwd is not None:
            spawn += ["--cwd", paths.windows_path(cwd)]
        self.process = subprocess.Popen(spawn, cwd=folder.path, env=env, stdout=self.output,
                                        stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.started = time.monotonic()
        self.exit_code = None

    def _spawn_lines(self):
        with open(self.output_path, "rb") as f:
            return [json.loads(line) for line in f.read().decode("latin-1").splitlines() if line.startswith("{")]

    @property
    def exe_filter(self):
        """The probe option that selects this run's windows and boxes."""
        return ["--exe", paths.windows_path(self.folder.launcher)]

    def probe(self, command, *args, timeout=60):
        return self.desktop.probe(command, *(self.exe_filter + list(args)), timeout=timeout)

    def probe_one(self, command, *args, timeout=60):
        _, objects = self.probe(command, *args, timeout=timeout)
        return objects[0] if objects else None

    def window(self):
        found = self.probe_one("window")
        return found if found and found.get("found") else None

    def wait_window(self, timeout=30, visible=False):
        found = self.probe_one("wait-visible" if visible else "wait-window", "--timeout", timeout,
                               timeout=timeout + 30)
        assert found and found.get("found"), "launcher window did not %s" % ("show" if visible else "appear")
        return found

    def wait_bar(self, bar_id, timeout=30, visible=None, min_pos=None):
        args = ["--id", bar_id, "--timeout", timeout]
        if visible is not None:
            args += ["--visible", int(visible)]
        if min_pos is not None:
            args += ["--min-pos", min_pos]
        found = self.probe_one("wait-bar", *args, timeout=timeout + 30)
        assert found and found.get("found"), "bar %d did not reach the state wanted" % bar_id
        return found

    def wait_msgbox(self, timeout=30):
        box = self.probe_one("wait-msgbox", "--timeout", timeout, timeout=timeout + 30)
        assert box and "hwnd" in box, "no message box came up (launcher running: %s, window: %s)" % (
            self.running(), self.window())
        return with_bytes(box)

    def msgboxes(self):
        _, boxes = self.probe("msgboxes")
        return [with_bytes(box) for box in boxes]

    def press(self, button=1, timeout=15):
        rc, _ = self.probe("press", "--button", button, "--timeout", timeout)
        assert rc == 0, "message box button could not be pressed"

    def close(self, mode="post"):
        rc, _ = self.probe("close", "--mode", mode)
        return rc == 0

    def escape(self, mode="post"):
        _, out = self.probe("escape", "--mode", mode)
        return out[0] if out else None

    def wait(self, timeout):
        """Waits for the launcher to end; returns its exit status."""
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("launcher still running after %.0f s" % timeout)
        ends = [line["exit"] for line in self._spawn_lines() if "exit" in line]
        assert ends, "the launcher could not be started: %r" % self._spawn_lines()
        self.exit_code = ends[0]
        return self.exit_code

    def running(self):
        return self.process.poll() is None

    def kill(self):
        """Ends the run whatever state it is in: the launcher, its game and the
        probe that started them."""
        kill_processes_with_token(self.token)
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(30)
        self.output.close()


def with_bytes(box):
    box["caption"] = unhex(box["caption_hex"])
    box["text"] = unhex(box["text_hex"])
    return box


# Programs of a run; Wine's own services may carry the run's environment too and are spared.
RUN_PROGRAMS = (b"launcher.exe", b"korvan.exe", b"probe.exe")


def kill_processes_with_token(token):
    """Kills the run's programs: processes whose environment holds
    KORVAN_E2E_RUN=token. Returns how many were signalled."""
    marker = b"KORVAN_E2E_RUN=" + token.encode() + b"\0"
    count = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit() or int(pid) == os.getpid():
            continue
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                environ = f.read()
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                program = f.read().split(b"\0")[0].replace(b"\\", b"/").rsplit(b"/", 1)[-1].lower()
        except OSError:
            continue
        if marker in environ and program in RUN_PROGRAMS:
            try:
                os.kill(int(pid), signal.SIGKILL)
                count += 1
            except OSError:
                pass
    return count
