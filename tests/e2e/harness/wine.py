"""The player's side under Wine for the tests: the probe that inspects and drives
windows, game folders with the stand-in game, and launcher runs with exact
command lines. The display, prefix and screenshots come from stage.wine."""
import json
import os
import shutil
import subprocess
import tempfile
import time

from stage import processes, wine
from stage.processes import RUN_VARIABLE, kill_processes_with_token, new_token

from . import paths


class WineDesktop(wine.WineDesktop):
    """The stage's display and prefix (stage.wine), with the probe that inspects
    and drives the windows of its programs."""

    def warm_up(self):
        # Starts the prefix's wineserver and services now rather than inside a measured step.
        self.probe("window", "--class", "WC_NONE")

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


def unhex(text):
    return bytes.fromhex(text)


class GameFolder(wine.PlayerFolder):
    """A fresh game folder: launcher.exe, the stand-in game as korvan.exe and,
    if wanted, a config.ini. Its unique name marks every process started from it."""

    def __init__(self, root, config_ini=True, game=True, name="game", reuse=False, launcher=None):
        """reuse keeps an existing folder as it is, with a fresh launcher.exe;
        launcher is the program copied as launcher.exe (default: the test build's)."""
        super().__init__(root, name, launcher or paths.LAUNCHER_EXE, config_ini, reuse)
        if game:
            shutil.copy(paths.FAKE_KORVAN_EXE, os.path.join(self.path, "korvan.exe"))
        self.record_file = os.path.join(root, "korvan-record-" + name)
        self.dll_marker = os.path.join(root, "dll-loads-" + name)

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
        self.token = new_token()
        if command_line is None:
            command_line = b'"' + paths.windows_path(folder.launcher).encode() + b'"'
            if args:
                command_line += b" " + args
        self.command_line = command_line
        self.output_path = folder.path + ".spawn.txt"
        self.output = open(self.output_path, "wb")
        env = desktop.env(KORVAN_RECORD_FILE=paths.windows_path(folder.record_file),
                          KORVAN_DLL_MARKER=paths.windows_path(folder.dll_marker), **{RUN_VARIABLE: self.token})
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
        kill_processes_with_token(self.token, RUN_PROGRAMS)
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(30)
        self.output.close()


def with_bytes(box):
    box["caption"] = unhex(box["caption_hex"])
    box["text"] = unhex(box["text_hex"])
    return box


# The run's programs, the probe that starts them among them.
RUN_PROGRAMS = processes.RUN_PROGRAMS + (b"probe.exe",)
