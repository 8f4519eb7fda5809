#!/usr/bin/env python3
"""The live demo: a maker publishes a small sample game with korvan-publish, nginx
serves it on http://localhost:47080, and a player's launcher (the x86_64 build,
under Wine) brings the game folder up to date and starts the game. Releases are
signed with build/keys/release-key.pem, and the launcher is the build that
carries its public key (build/win64-signed).

The game is the demo's sample game (demo/sample_game.cpp): a window whose
title is the command line it got, read here from the X display.

Run through scripts/demo.sh, which builds everything and provides the display
and the Wine prefix. The player's folder is kept in build/demo/, so a second run
shows an up-to-date game; --new-release publishes a second release first, in
which some files changed and one was added."""
import argparse
import http.client
import os
import shutil
import subprocess
import sys
import time
import urllib.parse

from stage import paths, release
from stage.keys import public_key_path
from stage.nginx import Nginx
from stage.polling import Timeout, wait_until
from stage.processes import processes_with_token, run_of
from stage.udp_log import UdpLogListener
from stage.wine import PlayerFolder, WineDesktop, WineRun
from stage.x_display import XDisplay

TOP = paths.TOP
DEMO = os.path.join(TOP, "build", "demo")
MAKER = os.path.join(DEMO, "maker-game")
WWW = os.path.join(DEMO, "www")   # korvan-publish's OUT_DIR, nginx's root
RESINFO = os.path.join(WWW, "1", "resinfo-release130.txt")
# The player's arguments; Wine joins them into the command line, quoting the one with a space.
ARGS = ["-world", "Sakura", "-user", "demo player"]
# The launcher downloads at most 600 kB/s here, so that its bars can be seen moving.
THROTTLE = "if ($uri ~ ^/releases/) { set $limit_rate 600k; }"


def sample_release(version):
    """The maker's game folder: the sample game (demo/sample_game.cpp) and a few
    libraries. Release 2 changes two libraries and adds one."""
    with open(paths.SAMPLE_GAME_EXE, "rb") as f:
        game = f.read()
    files = {
        "korvan.exe": game,
        "engine.dll": release.sample_bytes("engine-1", 1500000),
        "sound.dll": release.sample_bytes("sound-1", 90000),
        "patcher.exe": release.sample_bytes("patcher-1", 40000),
        "readme.txt": b"Not an .exe or .dll: the launcher leaves it alone.\r\n",
    }
    if version >= 2:
        files["engine.dll"] = release.sample_bytes("engine-2", 1500000)
        files["sound.dll"] = release.sample_bytes("sound-2", 95000)
        files["maps.dll"] = release.sample_bytes("maps-2", 300000)
    return files


def say(text=""):
    print(text, flush=True)


def show_bytes(data):
    """Shift-JIS text for the terminal, control bytes made visible."""
    text = data.decode("cp932", errors="backslashreplace")
    return text.replace("\r", "\\r").replace("\n", "\\n").replace("\0", "\\0")


def folder_state(folder, listed):
    rows = []
    for name, md5 in sorted(listed.items()):
        local = folder.file(name)
        if not os.path.exists(local):
            state = "missing"
        else:
            with open(local, "rb") as f:
                state = "current" if release.md5_text(f.read()).encode() == md5 else "out of date"
        rows.append((name.decode("cp932"), state))
    return rows


def publish(version):
    shutil.rmtree(MAKER, ignore_errors=True)
    release.write_files(MAKER, sample_release(version))
    say("== The maker publishes release %d with korvan-publish into %s" % (version, os.path.relpath(WWW, TOP)))
    out = release.publish(MAKER, WWW, "http://localhost:47080/", extra=("--sign", paths.RELEASE_KEY))
    for line in out.strip().splitlines():
        say("   " + line)
    _, folder = release.named_release(WWW)
    say("   release folders: " + ", ".join(sorted(os.listdir(os.path.join(WWW, "releases")))))
    with open(os.path.join(folder, "md5.txt"), "rb") as f:
        say("   md5.txt: " + show_bytes(f.read()))
    show_signature_check(folder)


def show_signature_check(folder):
    """The maker's own check of the signed statement, with standard tools."""
    say("   the release is signed with %s; checked with openssl and sha256sum:" % os.path.relpath(paths.RELEASE_KEY, TOP))
    for command in (["openssl", "dgst", "-sha256", "-verify", public_key_path(paths.RELEASE_KEY),
                     "-signature", "SHA256SUMS.sig", "SHA256SUMS"],
                    ["sha256sum", "-c", "--strict", "SHA256SUMS"]):
        done = subprocess.run(command, cwd=folder, capture_output=True)
        shown = " ".join(os.path.relpath(c, TOP) if c.startswith(TOP) else c for c in command)
        say("   $ " + shown)
        for line in (done.stdout + done.stderr).decode(errors="replace").strip().splitlines():
            say("     " + line)


def current_release():
    """(base URL, folder) of the release the resource-information text names, or
    None when there is none yet (or only one of an older demo's layout)."""
    try:
        base_url, folder = release.named_release(WWW)
    except (OSError, IndexError):
        return None
    return (base_url, folder) if os.path.isfile(os.path.join(folder, "md5.txt")) else None


def show_cache_headers(web, base_url):
    """What caches are told: the resource-information text is asked for every
    time, a release folder's files are kept for a year."""
    for path in ("/1/resinfo-release130.txt", urllib.parse.urlsplit(base_url).path + "md5.txt"):
        connection = http.client.HTTPConnection("127.0.0.1", web.port, timeout=10)
        connection.request("GET", path, headers={"Accept-Encoding": "gzip, deflate"})
        response = connection.getresponse()
        response.read()
        connection.close()
        say("   %s: %d, Cache-Control: %s, Content-Encoding: %s" % (
            path, response.status, response.getheader("Cache-Control"), response.getheader("Content-Encoding")))


class PlayerView:
    """What the player sees of one launcher run on the X display: the launcher's
    window, its message boxes, and the window of the game it started."""

    def __init__(self, x, run, log):
        self.x = x
        self.run = run
        self.log = log

    def launcher_windows(self):
        return [w for w in self.x.windows() if w.pid == self.run.pid]

    @staticmethod
    def is_launcher_window(w):
        # The launcher's one tool window; its message boxes are none.
        return w.tool and not w.owned

    def window_shown(self):
        return any(self.is_launcher_window(w) for w in self.launcher_windows())

    def wait_window(self, timeout=10):
        """Waits for the launcher window, which shows one second after the start.
        Returns True once it is up."""
        try:
            return wait_until(lambda: self.window_shown() or not self.run.running(), timeout,
                              "the launcher window") and self.window_shown()
        except Timeout:
            return False

    def boxes(self):
        """The launcher's message boxes: its windows besides the launcher window."""
        return [w for w in self.launcher_windows() if not self.is_launcher_window(w)]

    def game_windows(self):
        return [w for w in self.x.windows() if w.program == "korvan.exe" and run_of(w.pid) == self.run.token]

    def state(self):
        """Returns what the run is at: "ended", "game", "box", "downloaded" (a
        file came down and the window is up), or None while none of these."""
        if not self.run.running():
            return "ended"
        if self.game_windows():
            return "game"
        if self.boxes():
            return "box"
        if self.window_shown() and any(m.endswith(b" END\r\n") for m in self.log.messages()):
            return "downloaded"
        return None

    def settled(self):
        """Returns the state once the run has started the game, shown a box or ended, else None."""
        state = self.state()
        return state if state in ("ended", "game", "box") else None

    def close_until(self, windows, ended, timeout):
        """Closes windows() as with their close buttons, again every 2 seconds, until
        ended() is true. Returns True when it is."""
        deadline = time.monotonic() + timeout
        while not ended():
            if time.monotonic() >= deadline:
                return False
            for w in windows():
                self.x.close_window(w.id)
            try:
                wait_until(ended, 2, "the windows to close")
            except Timeout:
                pass
        return True

    def close_launcher(self, timeout=60):
        """Closes the message boxes first (the window can't be closed under one), then
        the launcher window. Returns the launcher's exit status, or None when it runs on."""
        self.wait_window()  # as a player would: once it is up
        self.close_until(lambda: self.boxes() or self.launcher_windows(), lambda: not self.run.running(), timeout)
        return self.run.wait(0)

    def close_game(self, timeout=30):
        """Closes the game's window. Returns True once the game has ended."""
        return self.close_until(self.game_windows,
                                lambda: not processes_with_token(self.run.token, (b"korvan.exe",)), timeout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--new-release", action="store_true", help="publish release 2 before the run")
    parser.add_argument("--fresh", action="store_true", help="start again with an empty player's folder")
    options = parser.parse_args()

    if options.fresh:
        shutil.rmtree(DEMO, ignore_errors=True)
    os.makedirs(os.path.join(WWW, "1"), exist_ok=True)
    first = current_release() is None
    if first or options.new_release:
        publish(2 if options.new_release else 1)
    else:
        say("== The maker's release is already published (scripts/demo.sh --new-release publishes release 2)")
    base_url, release_folder = current_release()
    listed = release.read_list(release_folder)

    desktop = WineDesktop().start()
    # Only the maker's configuration shipped in publish/nginx/, and the demo's speed limit.
    web = Nginx(WWW, os.path.join(DEMO, "nginx"), locations=[THROTTLE])
    log = UdpLogListener(runs=[])
    x = XDisplay(desktop.display)
    run = None
    try:
        web.start()
        say("\n== The maker's web server: nginx on http://localhost:47080 (folder %s)" % os.path.relpath(WWW, TOP))
        with open(RESINFO, "rb") as f:
            say("   /1/resinfo-release130.txt: " + show_bytes(f.read()))
        show_cache_headers(web, base_url)
        log.start()
        requests_before = len(web.requests())

        # The player's launcher is the build that carries the demo's public release key.
        folder = PlayerFolder(DEMO, "player-game", paths.SIGNED_LAUNCHER_EXE, reuse=True)
        say("\n== The player's game folder %s before the run" % os.path.relpath(folder.path, TOP))
        for name, state in folder_state(folder, listed):
            say("   %-12s %s" % (name, state))

        say("\n== Starting launcher.exe %s under Wine (display %s)" % (
            subprocess.list2cmdline(ARGS), desktop.display))
        run = WineRun(desktop, folder.launcher, ARGS)
        log.runs.append(run.token)
        view = PlayerView(x, run, log)
        game = watch(desktop, view)

        say("\n== The game folder after the run")
        for name, state in folder_state(folder, listed):
            say("   %-12s %s" % (name, state))
        if folder.exists("config.ini"):
            say("   config.ini: " + show_bytes(folder.read("config.ini")))

        if run.running():
            code = view.close_launcher()
            if code is None:
                say("\n== The launcher did not end when its windows were closed; it is stopped")
            else:
                say("\n== The window was closed (as with its close button); launcher exit code %d" % code)
        if game and view.close_game():
            say("   the game's window was closed too; the game has ended")
        try:
            log.wait_for(lambda m: b"EXIT LAUNCHER\r\n" in m, 5, "the last log line")
        except Timeout:
            pass
        say("\n== Log datagrams received on UDP 127.0.0.1:514, in order")
        for message in log.messages():
            say("   " + show_bytes(message))
        say("\n== Requests nginx answered in this run")
        for r in web.requests()[requests_before:]:
            say("   %s  %d  %d bytes" % (r["request"], r["status"], r["bytes"]))
        say("\nAgain: scripts/demo.sh (up to date), scripts/demo.sh --new-release (an update), "
            "scripts/demo.sh --fresh (from an empty folder).")
        return 0 if game else 1
    finally:
        if run is not None:
            run.kill()
        x.close()
        log.stop()
        web.stop()
        desktop.stop()


def watch(desktop, view):
    """Follows the run until the game starts, a message box shows or the launcher
    ends, taking the screenshot on the way. Returns the game's command line as
    its window shows it, or None when the game did not start."""
    shot = os.path.join(DEMO, "launcher-window.png")
    if os.path.exists(shot):
        os.remove(shot)
    try:
        state = wait_until(view.state, 120, "the launcher to download, start the game or show a message")
        if state == "downloaded":
            desktop.screenshot(shot)
            say("   downloading; screenshot of the window mid-update: %s" % shot)
            state = wait_until(view.settled, 120, "the game to start or a message")
    except Timeout as e:
        say("   " + str(e))
        state = ""
    if state == "box":
        view.wait_window()
        desktop.screenshot(shot)
        say("   a message box came up; its text is in the screenshot %s" % shot)
    if state == "ended":
        say("   the launcher ended with exit code %s without starting the game" % view.run.wait(0))
    if state != "game":
        return None
    games = view.game_windows()
    if not os.path.exists(shot):
        view.wait_window()
        desktop.screenshot(shot)
        done = "downloaded" if any(m.endswith(b" END\r\n") for m in view.log.messages()) else "nothing to download"
        say("   %s; screenshot of the window and the game: %s" % (done, shot))
    say("   the game was started; its window shows the command line  %s" % games[0].title)
    return games[0].title


if __name__ == "__main__":
    sys.exit(main())
