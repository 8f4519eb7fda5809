#!/usr/bin/env python3
"""The live demo: a maker publishes a small sample game with korvan-publish, nginx
serves it on http://localhost:47080, and a player's launcher (the x86_64 build,
under Wine) brings the game folder up to date and starts the game. Releases are
signed with build/keys/release-key.pem, and the launcher is the build that
carries its public key (build/win64-signed).

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

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))

from harness import paths, release  # noqa: E402
from harness.nginx import Nginx, default_locations  # noqa: E402
from harness.polling import Timeout, wait_until  # noqa: E402
from harness.udp_log import UdpLogListener  # noqa: E402
from harness.wine import GameFolder, LauncherRun, WineDesktop  # noqa: E402

DEMO = os.path.join(TOP, "build", "demo")
MAKER = os.path.join(DEMO, "maker-game")
WWW = os.path.join(DEMO, "www")   # korvan-publish's OUT_DIR, nginx's root
RESINFO = os.path.join(WWW, "1", "resinfo-release130.txt")
ARGS = b'-world Sakura -user "demo player"'


def sample_release(version):
    """The maker's game folder: the game program and a few libraries. Release 2
    changes two libraries and adds one."""
    with open(paths.FAKE_KORVAN_EXE, "rb") as f:
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
    for command in (["openssl", "dgst", "-sha256", "-verify", os.path.splitext(paths.RELEASE_KEY)[0] + ".pub.pem",
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
    # The launcher downloads at most 600 kB/s here, so that its bars can be seen moving.
    # nginx includes the maker's configuration shipped in publish/nginx/.
    web = Nginx(WWW, os.path.join(DEMO, "nginx"),
                locations=default_locations() + ["if ($uri ~ ^/releases/) { set $limit_rate 600k; }"])
    log = UdpLogListener(runs=[])
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
        folder = GameFolder(DEMO, config_ini=True, game=False, name="player-game", reuse=True,
                            launcher=paths.SIGNED_LAUNCHER_EXE)
        say("\n== The player's game folder %s before the run" % os.path.relpath(folder.path, TOP))
        for name, state in folder_state(folder, listed):
            say("   %-12s %s" % (name, state))
        if os.path.exists(folder.record_file):
            os.remove(folder.record_file)

        say("\n== Starting launcher.exe %s under Wine (display %s)" % (show_bytes(ARGS), desktop.display))
        run = LauncherRun(desktop, folder, ARGS)
        log.runs.append(run.token)
        shot = os.path.join(DEMO, "launcher-window.png")
        if os.path.exists(shot):
            os.remove(shot)
        try:
            found = run.probe_one("wait-bar", "--id", 3002, "--visible", 1, "--min-pos", 1, "--timeout", 8,
                                  timeout=60)
            if found and found.get("found"):
                time.sleep(0.3)  # a moment for the bar to be drawn
                desktop.screenshot(shot)
                say("   downloading; screenshot of the window mid-update: %s" % shot)
            wait_until(lambda: folder.record() or run.msgboxes() or not run.running(), 120, "the game to start")
        except Timeout as e:
            say("   " + str(e))
        boxes = run.msgboxes() if run.running() else []
        for box in boxes:
            say("   message box: " + show_bytes(box["text"]))
        record = folder.record()
        if record:
            if not os.path.exists(shot):
                run.wait_window(visible=True)
                desktop.screenshot(shot)
                say("   nothing to download; screenshot of the window: %s" % shot)
            say("   the game was started with the command line  %s" % show_bytes(record[0]))
            say("   in the working directory                     %s" % show_bytes(record[1]))

        say("\n== The game folder after the run")
        for name, state in folder_state(folder, listed):
            say("   %-12s %s" % (name, state))
        if folder.exists("config.ini"):
            say("   config.ini: " + show_bytes(folder.read("config.ini")))

        if run.running():
            for box in boxes:
                run.press(1)
            run.close()
            code = run.wait(60)
            say("\n== The window was closed (as with its close button); launcher exit code %d" % code)
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
        return 0 if record else 1
    finally:
        if run is not None:
            run.kill()
        log.stop()
        web.stop()
        desktop.stop()


if __name__ == "__main__":
    sys.exit(main())
