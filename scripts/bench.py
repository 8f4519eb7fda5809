#!/usr/bin/env python3
"""Measures the launcher side by side, in one run, and prints one table:
  P5  start to game start for an up-to-date game (default 8 GiB in 256 files):
      the plain launcher, and the launcher with every build option (digest
      cache) on its first start and on later starts;
  P6  bytes sent for one 256 MiB archive through a local proxy that cuts every
      connection after 32 MiB: with resumed downloads, and without (which never
      completes, so it is stopped after a time limit);
  P3  a full update of 256 MiB from nginx: the plain and the signed launcher,
      against curl | gunzip and md5sum of the same archives.
Run through scripts/bench.sh, which builds what it needs and provides the
display and the Wine prefix. Work folders are kept in build/bench/ (the big
game is made once and reused)."""
import argparse
import hashlib
import os
import platform
import shutil
import socket
import statistics
import subprocess
import sys
import threading
import time

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(TOP, "scripts"))

from stage import paths, release  # noqa: E402
from stage.nginx import Nginx  # noqa: E402
from stage.polling import wait_until  # noqa: E402
from stage.processes import processes_with_token  # noqa: E402
from stage.wine import PlayerFolder, WineDesktop, WineRun  # noqa: E402

BENCH = os.path.join(TOP, "build", "bench")
WWW = os.path.join(BENCH, "www")
MiB = 1024 * 1024
# Releases that every launcher takes: signed, and at the floor of the full build.
RELEASE_NUMBER = paths.FULL_MIN_RELEASE
LAUNCHERS = {"plain": os.path.join(paths.WIN64, "launcher.exe"), "signed": paths.SIGNED_LAUNCHER_EXE,
             "full": paths.FULL_LAUNCHER_EXE}


def say(text=""):
    print(text, flush=True)


def machine():
    """One line about the machine the figures come from."""
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) // (1024 * 1024)
    wine = subprocess.run([paths.WINE, "--version"], capture_output=True, text=True).stdout.strip()
    disk = subprocess.run(["df", "-T", BENCH], capture_output=True, text=True).stdout.splitlines()[-1].split()[1]
    return "%s, %d cores, %d GiB, %s, %s on %s, Linux %s" % (
        cpu, os.cpu_count(), memory, wine, os.path.relpath(BENCH, TOP), disk, platform.release())


def game_program():
    with open(paths.SAMPLE_GAME_EXE, "rb") as f:
        return f.read()


def publish_signed(name, files):
    """Publishes {name: bytes} signed, as release RELEASE_NUMBER, into WWW/<name>/
    and points the resource-information text at it. Returns the release folder."""
    game = os.path.join(BENCH, "maker-" + name)
    shutil.rmtree(game, ignore_errors=True)
    release.write_files(game, files)
    out = os.path.join(WWW, name)
    shutil.rmtree(out, ignore_errors=True)
    release.publish(game, out, "http://%s:%d/%s/" % (paths.SERVER_HOST, paths.SERVER_PORT, name),
                    resinfo=os.path.join(WWW, "1", "resinfo-release130.txt"),
                    extra=("--sign", paths.RELEASE_KEY, "--release-number", str(RELEASE_NUMBER)))
    return release.named_release(out, os.path.join(WWW, "1", "resinfo-release130.txt"))[1]


def time_to_game(desktop, folder, limit):
    """Starts the folder's launcher; returns the seconds until its korvan.exe runs
    (None when it did not within limit), and ends both."""
    run = WineRun(desktop, folder.launcher, cwd=folder.path)
    started = time.monotonic()
    try:
        wait_until(lambda: processes_with_token(run.token, (b"korvan.exe",)), limit, "the game", interval=0.005)
        return time.monotonic() - started
    except AssertionError:
        return None
    finally:
        run.kill()


# P5: an up-to-date game

def big_game(gib, files):
    """The maker's list for a game of gib GiB in files files, written by hand
    (nothing is downloaded from an up-to-date game, so no archives are made),
    and the player's folder that holds it. Returns the player's folder path."""
    folder = os.path.join(BENCH, "big-player")
    size = gib * 1024 * MiB // files
    names = ["korvan.exe"] + ["part%03d.exe" % i for i in range(files)]
    stamp = os.path.join(folder, ".made-%d-%d" % (gib, files))
    if not os.path.exists(stamp):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        say("   writing the player's %d GiB game once (kept for later runs)" % gib)
        block = os.urandom(MiB)
        for i, name in enumerate(names[1:]):
            with open(os.path.join(folder, name), "wb") as f:
                for k in range(size // MiB):
                    f.write(b"%08d%08d" % (i, k) + block[16:])
        with open(os.path.join(folder, "korvan.exe"), "wb") as f:
            f.write(game_program())
        with open(stamp, "wb"):
            pass
    entries = []
    for name in names:
        digest = hashlib.md5()
        with open(os.path.join(folder, name), "rb") as f:
            for chunk in iter(lambda: f.read(4 * MiB), b""):
                digest.update(chunk)
        entries.append(name.encode() + b"=" + digest.hexdigest().encode())
    out = os.path.join(WWW, "big")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    with open(os.path.join(out, "md5.txt"), "wb") as f:
        f.write(b"&".join(sorted(entries)))
    release.sign_release(out, RELEASE_NUMBER, paths.RELEASE_KEY)
    with open(os.path.join(WWW, "1", "resinfo-release130.txt"), "wb") as f:
        f.write(b"BASEURL=http://%s:%d/big/" % (paths.SERVER_HOST.encode(), paths.SERVER_PORT))
    return folder


def p5(desktop, gib, files, starts):
    say("== P5: start to game start, up-to-date game of %d GiB in %d files" % (gib, files))
    game = big_game(gib, files)
    rows = []
    for label, launcher, fresh in (("plain launcher", LAUNCHERS["plain"], False),
                                   ("full build, first start (no digest file)", LAUNCHERS["full"], True),
                                   ("full build, later start", LAUNCHERS["full"], False)):
        times = []
        for _ in range(starts if not fresh else 1):
            folder = PlayerFolder(BENCH, "big-player", launcher, reuse=True)
            for leftover in ("launcher-digests.txt", "config.ini"):
                if fresh and os.path.exists(os.path.join(game, leftover)):
                    os.remove(os.path.join(game, leftover))
            folder.write("config.ini", b"")
            times.append(time_to_game(desktop, folder, 1800))
        rows.append((label, times))
        say("   %-44s %s" % (label, " ".join(seconds(t) for t in times)))
    return rows


# P6: a connection cut every 32 MiB

class CuttingProxy:
    """Forwards connections to nginx and closes each one after cut bytes of
    answer; counts every byte of answer sent."""

    def __init__(self, cut):
        self.cut = cut
        self.sent = 0
        self.lock = threading.Lock()
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.stopping = False
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while not self.stopping:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._forward, args=(client,), daemon=True).start()

    def _forward(self, client):
        try:
            upstream = socket.create_connection(("127.0.0.1", paths.SERVER_PORT))
            head = b""
            while b"\r\n\r\n" not in head:
                data = client.recv(4096)
                if not data:
                    return
                head += data
            upstream.sendall(head)
            left = self.cut
            while left > 0:
                data = upstream.recv(min(65536, left))
                if not data:
                    break
                client.sendall(data)
                left -= len(data)
                with self.lock:
                    self.sent += len(data)
            upstream.close()
        except OSError:
            pass
        finally:
            client.close()

    def stop(self):
        self.stopping = True
        self.listener.close()


def p6(desktop, limit):
    say("== P6: bytes sent for a 256 MiB archive, connections cut after 32 MiB")
    proxy = CuttingProxy(32 * MiB)
    try:
        game = os.path.join(BENCH, "maker-cut")
        shutil.rmtree(game, ignore_errors=True)
        release.write_files(game, {"korvan.exe": game_program(), "big.exe": os.urandom(256 * MiB)})
        out = os.path.join(WWW, "cut")
        shutil.rmtree(out, ignore_errors=True)
        resinfo = os.path.join(WWW, "1", "resinfo-release130.txt")
        release.publish(game, out, "http://127.0.0.1:%d/cut/" % proxy.port, resinfo=resinfo,
                        extra=("--sign", paths.RELEASE_KEY, "--release-number", str(RELEASE_NUMBER)))
        archive = os.path.getsize(os.path.join(release.named_release(out, resinfo)[1], "big.exe.gz"))
        rows = []
        for label, launcher in (("with resume (full build)", LAUNCHERS["full"]), ("without resume (plain)",
                                                                                  LAUNCHERS["plain"])):
            shutil.rmtree(os.path.join(BENCH, "cut-player"), ignore_errors=True)
            folder = PlayerFolder(BENCH, "cut-player", launcher)
            before = proxy.sent
            took = time_to_game(desktop, folder, limit)
            sent = proxy.sent - before
            rows.append((label, took, sent, sent / archive))
            say("   %-26s %s, %d bytes sent, %.3f times the archive" % (
                label, "completed in %s" % seconds(took) if took else "not complete after %d s" % limit, sent,
                sent / archive))
        return archive, rows
    finally:
        proxy.stop()


# P3: a full update

def p3(desktop, rounds):
    say("== P3: full update of 256 MiB (8 files of 32 MiB) from nginx")
    files = {"korvan.exe": game_program()}
    files.update({"data%d.exe" % i: compressible(32 * MiB) for i in range(8)})
    out = publish_signed("full", files)
    archives = sum(os.path.getsize(os.path.join(out, n + ".gz")) for n in files)
    say("   the archives hold %d bytes (%.0f %% of the files), as game programs compress" % (
        archives, 100.0 * archives / sum(len(d) for d in files.values())))
    rows = {"plain launcher": [], "signed launcher": [], "curl | gunzip; md5sum": []}
    for _ in range(rounds):
        for label, launcher in (("plain launcher", LAUNCHERS["plain"]), ("signed launcher", LAUNCHERS["signed"])):
            shutil.rmtree(os.path.join(BENCH, "update-player"), ignore_errors=True)
            rows[label].append(time_to_game(desktop, PlayerFolder(BENCH, "update-player", launcher), 600))
        rows["curl | gunzip; md5sum"].append(pipeline(out, sorted(files)))
    for label, times in rows.items():
        say("   %-26s %s" % (label, " ".join(seconds(t) for t in times)))
    return rows


def compressible(size):
    """size bytes that gzip halves: every 16 KiB of random bytes comes twice."""
    out = bytearray()
    while len(out) < size:
        block = os.urandom(16384)
        out += block + block
    return bytes(out[:size])


def pipeline(out, names):
    """Seconds for curl | gunzip > file, then md5sum, of every archive in turn."""
    work = os.path.join(BENCH, "pipeline")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    base = "http://127.0.0.1:%d/full/releases/%s/" % (paths.SERVER_PORT, os.path.basename(out))
    started = time.monotonic()
    for name in names:
        target = os.path.join(work, name)
        subprocess.run("curl -sf %s | gunzip > %s && md5sum %s >/dev/null" % (base + name + ".gz", target, target),
                       shell=True, check=True)
    return time.monotonic() - started


def seconds(value):
    return "-" if value is None else "%.2f s" % value


def median(values):
    known = [v for v in values if v is not None]
    return statistics.median(known) if known else None


def table(host, big, cut, update, gib, files):
    say("\n| figure | measured | target |")
    say("|---|---|---|")
    plain, first, later = (median(times) for _, times in big)
    say("| P5 plain launcher, %d GiB in %d files | %s | |" % (gib, files, seconds(plain)))
    say("| P5 digest cache, first start | %s (%+.1f %%) | within 3 %% of plain |" % (
        seconds(first), 100 * (first / plain - 1) if first and plain else float("nan")))
    say("| P5 digest cache, later start | %s | under 1 s |" % seconds(later))
    archive, transfers = cut
    for label, took, sent, ratio in transfers:
        say("| P6 %s | %d bytes, %.3f x the archive%s | %s |" % (
            label, sent, ratio, "" if took else ", not complete", "at most 1.05 x" if "with " in label else ""))
    p, s, c = (median(update[k]) for k in ("plain launcher", "signed launcher", "curl | gunzip; md5sum"))
    say("| P3 plain launcher | %s | |" % seconds(p))
    say("| P3 signed launcher | %s (%+.1f %%) | within 10 %% of plain |" % (
        seconds(s), 100 * (s / p - 1) if s and p else float("nan")))
    say("| P3 curl \\| gunzip; md5sum | %s | |" % seconds(c))
    say("\nMachine: " + host + ". P5 and P3 are medians of the runs listed above; the game's files are in the "
        "page cache.")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--game-gib", type=int, default=8, help="size of P5's game (default 8)")
    parser.add_argument("--game-files", type=int, default=256, help="files of P5's game (default 256)")
    parser.add_argument("--starts", type=int, default=3, help="starts measured per P5 row (default 3)")
    parser.add_argument("--rounds", type=int, default=3, help="P3 rounds (default 3)")
    parser.add_argument("--cut-limit", type=int, default=120, help="seconds P6 waits for a download (default 120)")
    parser.add_argument("--only", choices=("P3", "P5", "P6"), help="measure one figure alone, without the table")
    options = parser.parse_args()
    for name, path in LAUNCHERS.items():
        if not os.path.exists(path):
            sys.exit("not built: %s (scripts/bench.sh builds it)" % os.path.relpath(path, TOP))

    os.makedirs(os.path.join(WWW, "1"), exist_ok=True)
    desktop = WineDesktop().start()
    web = Nginx(WWW, os.path.join(BENCH, "nginx")).start()
    try:
        host = machine()
        say("Machine: " + host)
        figures = {"P3": lambda: p3(desktop, options.rounds), "P6": lambda: p6(desktop, options.cut_limit),
                   "P5": lambda: p5(desktop, options.game_gib, options.game_files, options.starts)}
        if options.only:
            figures[options.only]()
            return
        update, cut, big = (figures[name]() for name in ("P3", "P6", "P5"))
        table(host, big, cut, update, options.game_gib, options.game_files)
    finally:
        web.stop()
        desktop.stop()


if __name__ == "__main__":
    main()
