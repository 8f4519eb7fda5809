"""The player's side under Wine: the X display and prefix, a player's game
folder, Windows programs run from it, and screenshots."""
import os
import shutil
import subprocess

from . import paths
from .polling import wait_until
from .processes import RUN_PROGRAMS, RUN_VARIABLE, kill_processes_with_token, new_token


class WineDesktop:
    """The X display and Wine prefix that every Wine program of a run uses.

    DISPLAY and WINEPREFIX from the environment are honoured (scripts/test.sh
    and scripts/demo.sh set both). Without DISPLAY a private Xvfb is started,
    and the prefix's wineserver is restarted so that it binds to that display;
    both are ended by stop()."""

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
        self.warm_up()
        return self

    def warm_up(self):
        """Starts the prefix's wineserver and services now rather than with the first program."""
        subprocess.run([paths.WINE, "wineboot"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=300)

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

    def screenshot(self, path):
        """Writes a PNG of the whole display. Returns True when it was written."""
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        xwd = subprocess.run(["xwd", "-root", "-silent", "-display", self.display], capture_output=True, timeout=60)
        if xwd.returncode != 0:
            return False
        done = subprocess.run(["convert", "xwd:-", path], input=xwd.stdout, capture_output=True, timeout=60)
        return done.returncode == 0 and os.path.exists(path)


class PlayerFolder:
    """A player's game folder root/name with launcher.exe (a copy of launcher)
    and, if wanted, a config.ini. reuse keeps an existing folder as it is, with
    a fresh launcher.exe."""

    def __init__(self, root, name, launcher, config_ini=True, reuse=False):
        self.path = os.path.join(root, name)
        os.makedirs(self.path, exist_ok=reuse)
        if os.path.exists(launcher):
            shutil.copy(launcher, os.path.join(self.path, "launcher.exe"))
        if config_ini and not self.exists("config.ini"):
            self.write("config.ini", b"")

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


class WineRun:
    """One Windows program started under Wine with a list of arguments (Wine
    joins them into the command line, quoting those with spaces). It and the
    programs it starts carry the run's token (stage.processes)."""

    def __init__(self, desktop, program, args=(), cwd=None):
        self.token = new_token()
        self.process = subprocess.Popen([paths.WINE, program, *args], cwd=cwd or os.path.dirname(program),
                                        env=desktop.env(**{RUN_VARIABLE: self.token}), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    @property
    def pid(self):
        """The process id of the program itself (Wine runs it in the process it was started as)."""
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout):
        """Waits for the program to end. Returns its exit status, or None while it still runs."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self, programs=RUN_PROGRAMS):
        """Ends the program and the programs it started, whatever state they are in."""
        kill_processes_with_token(self.token, programs)
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(30)
