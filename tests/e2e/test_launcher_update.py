"""Whole update runs against nginx and the fault server: files brought up to date,
the game started with the launcher's arguments, the window, closing."""
import glob
import os
import re
import shutil
import subprocess
import threading
import time

import pytest

from harness import expect, paths
from harness import fault_server as fs
from harness.dll import build_marker_dll
from harness.polling import wait_until
from harness.release import named_release
from harness.release import change_one_byte, gzip_bytes, make_key, md5_text, read_published, sample_bytes, sign_release
from harness.wine import kill_processes_with_token

ARGS = b'-server "alpha beta"  \x94\xc5\x81\x5c end\\ x="y z"'


def leftover_temp_files(scenario, folder):
    return scenario.new_temp_files() + glob.glob(os.path.join(folder.path, "mj*.tmp"))


def read_status(folder, key=b"LAUNCHER"):
    """Returns the value of key in the [STATUS] section of config.ini (bytes)."""
    text = folder.read("config.ini")
    match = re.search(rb"\[STATUS\]\r?\n(?:[^\[]*\n)?" + key + rb"=([^\r\n]*)", text)
    return match.group(1) if match else None


@pytest.mark.parametrize("launcher", [paths.LAUNCHER_EXE, paths.FULL_LAUNCHER_EXE], ids=["plain", "full build"])
def test_complete_update_from_an_empty_folder(scenario, launcher):
    """The whole run; the launcher with every build option does the same with a
    release signed at its floor, and fetches the statement besides."""
    full = launcher == paths.FULL_LAUNCHER_EXE
    with open(paths.FAKE_KORVAN_EXE, "rb") as f:
        game = f.read()
    files = {"korvan.exe": game, "data1.dll": sample_bytes("data1", 200000),
             "tool.exe": sample_bytes("tool", 1500000), "Patch.DLL": sample_bytes("patch", 3000),
             "readme.txt": b"not an executable"}
    out = scenario.publish("full", files)
    if full:
        sign_release(out, paths.FULL_MIN_RELEASE, paths.RELEASE_KEY)
    folder = scenario.game_folder(game=False, launcher=launcher)
    run = scenario.start(folder, ARGS)

    record = wait_until(folder.record, 60, "the game to start")
    assert record == (b'"korvan.exe" ' + ARGS, paths.windows_path(folder.path).encode())
    for name, data in files.items():
        if name.endswith("txt"):
            assert not folder.exists(name)
        else:
            assert folder.read(name) == data, name
    assert read_status(folder) == paths.windows_path(folder.launcher).encode()

    window = run.wait_window(visible=True)
    overall, file_bar = expect.check_window(window)
    assert (overall["range"], overall["pos"], overall["visible"]) == ([0, 4], 4, True)
    assert not file_bar["visible"]

    # A second launcher only brings the first one's window forward.
    second = scenario.start(folder, b"second")
    assert second.wait(60) == 0
    _, windows = scenario.desktop.probe("windows", "--class", expect.WINDOW_CLASS)
    assert [w["hwnd"] for w in windows] == [window["hwnd"]]
    assert windows[0]["visible"] and windows[0]["foreground"]

    pressed = run.escape(mode="input")
    assert pressed["sent"] and pressed["foreground"]
    assert run.wait(30) == 0

    keys = sorted(n.encode() for n in files if not n.endswith("txt"))
    assert scenario.log.messages() == (
        expect.start_lines(ARGS) + [b"BASEURL=" + scenario.base_url.encode() + b"\r\n"] +
        expect.download_lines(*keys) + expect.start_lines(b"second") + [b"EXIT LAUNCHER\r\n"])
    logged = [r for r in scenario.web_requests() if r["path"].startswith(("/1/", "/r/full/"))]
    statement = ["SHA256SUMS", "SHA256SUMS.sig"] if full else []
    assert [r["path"] for r in logged] == (["/1/resinfo-release130.txt"] +
                                           [scenario.url_path(n) for n in ["md5.txt"] + statement] +
                                           [scenario.url_path("%s.gz" % k.decode()) for k in keys])
    for r in logged:
        assert r["host"] == "localhost" and r["accept_encoding"] == "gzip, deflate"
        assert re.fullmatch(r"Mozilla/4\.0 \(compatible; R-FIG KORVAN; OS\d+/\d+\.\d+\.\d+; http://\S+/\)",
                            r["agent"]), r["agent"]
    assert leftover_temp_files(scenario, folder) == []


def test_close_during_a_download(scenario, fault_server):
    """The window shows when the download begins; closing it aborts the download
    at its next block, the file and config.ini stay as they were, no game."""
    gate = threading.Event()
    server = fault_server(files_dir=scenario.release_dir("gated"))
    big = sample_bytes("big", 2000000)
    out = scenario.publish("gated", {"a.dll": sample_bytes("a", 5000), "big.exe": big}, base_url=server.url("/"))
    archive = read_published(out, "big.exe.gz")
    sent = 800000
    server.route(scenario.url_path("big.exe.gz"), fs.gated(archive, sent, gate))
    folder = scenario.game_folder()
    run = scenario.start(folder)
    try:
        window = run.wait_bar(3002, visible=True, min_pos=sent, timeout=60)
        expect.check_window(window)
        overall, file_bar = window["bars"]
        assert (overall["range"], overall["pos"]) == ([0, 2], 2)
        assert (file_bar["range"], file_bar["pos"], file_bar["visible"]) == ([0, len(archive)], sent, True)
        shot = os.path.join(paths.RESULTS, "e2e-launcher-mid-update.png")
        assert scenario.desktop.screenshot(shot)

        assert run.close(mode="syscommand")
        # Destruction hides the window, then waits for the worker, which waits in
        # its receive: the process can't end before more data comes.
        wait_until(lambda: not (run.window() or {}).get("visible"), 15, "the window to go")
        assert run.running()
    finally:
        gate.set()
    assert run.wait(20) == 0
    assert not folder.exists("big.exe")
    assert folder.read("a.dll") == sample_bytes("a", 5000)
    assert folder.read("config.ini") == b""
    assert folder.record() is None
    assert scenario.log.messages() == (
        expect.start_lines() + [b"BASEURL=" + scenario.base_url.encode() + b"\r\n"] +
        expect.download_lines("a.dll", "big.exe") + [b"EXIT LAUNCHER\r\n"])
    list_path = scenario.url_path("md5.txt")
    head = server.requests_for(list_path)[0].head
    assert re.fullmatch(rb"GET " + re.escape(list_path.encode()) + rb" HTTP/1\.0\r\n"
                        rb"User-Agent: Mozilla/4\.0 \(compatible; R-FIG KORVAN; OS\d+/\d+\.\d+\.\d+; http://\S+/\)\r\n"
                        rb"Accept-Encoding: gzip, deflate\r\nHost: 127\.0\.0\.1\r\n"
                        rb"Korvan-Client-Type: download\r\n\r\n", head), head
    assert leftover_temp_files(scenario, folder) == []


def test_up_to_date_folder_with_skip_markers_and_a_loadable_library(scenario, tmp_path):
    """Nothing is downloaded: current files, skip markers (file and folder) and a
    library that loads are all taken as done; the game starts without arguments."""
    library = build_marker_dll(str(tmp_path / "marker.dll"))
    current = sample_bytes("current", 4000)
    scenario.publish("current", {"current.exe": current, "skipped.exe": sample_bytes("new", 100),
                                 "skipdir.dll": sample_bytes("sd", 100), "loadable.dll": sample_bytes("v2", 100),
                                 "notes.txt": b"ignored"})
    folder = scenario.game_folder({"current.exe": current, "skipped.exe": b"old",
                                   "skipped.exe.skipupdate": b"", "loadable.dll": library})
    os.makedirs(folder.file("skipdir.dll.skipupdate"))
    run = scenario.start(folder)

    assert wait_until(folder.record, 60, "the game to start") == (b'"korvan.exe"', paths.windows_path(folder.path).encode())
    window = run.wait_window(visible=True)
    overall, file_bar = expect.check_window(window)
    assert (overall["range"], overall["pos"]) == ([0, 4], 4)
    assert run.close()
    assert run.wait(30) == 0

    assert folder.read("skipped.exe") == b"old" and folder.read("loadable.dll") == library
    assert not folder.exists("skipdir.dll") and not folder.exists("notes.txt")
    assert folder.dll_loads() == [paths.windows_path(folder.file("loadable.dll").decode()).encode()]
    assert scenario.log.messages() == (
        expect.start_lines() + [b"BASEURL=" + scenario.base_url.encode() + b"\r\n",
                                b"SKIPUPDATE skipdir.dll\r\n", b"SKIPUPDATE skipped.exe\r\n", b"EXIT LAUNCHER\r\n"])
    assert [p for p in scenario.web_paths() if p.startswith("/r/current/")] == [scenario.url_path("md5.txt")]
    assert leftover_temp_files(scenario, folder) == []


def _damage(kind, data):
    archive = gzip_bytes(data)
    if kind == "other file":
        return gzip_bytes(data[::-1])
    if kind == "truncated":
        return archive[:len(archive) // 2]
    middle = len(archive) // 2
    return archive[:middle] + bytes(b ^ 0x5A for b in archive[middle:middle + 64]) + archive[middle + 64:]


@pytest.mark.parametrize("kind", ["other file", "truncated", "corrupt"])
def test_verification_failure(scenario, kind):
    """An archive that doesn't give the listed file: the error box, owned by the
    window, with the exact Shift-JIS text; the local file is unchanged, no game."""
    data = sample_bytes("verify", 300000)
    out = scenario.publish("verify", {"b.exe": data, "c.exe": sample_bytes("c", 10)})
    with open(os.path.join(out, "b.exe.gz"), "wb") as f:
        f.write(_damage(kind, data))
    folder = scenario.game_folder({"b.exe": b"old contents"})
    run = scenario.start(folder)

    box = run.wait_msgbox(timeout=60)
    window = run.window()
    assert box["caption"] == expect.LAUNCHER_TITLE
    assert box["text"] == b"b.exe" + expect.VERIFY_FAILED
    assert box["owner"] == window["hwnd"] and box["has_icon"] and box["buttons"] == [1]
    assert folder.read("b.exe") == b"old contents"
    run.press(1)
    assert run.window() is not None and run.running()
    assert run.close()
    assert run.wait(30) == 0

    assert folder.read("b.exe") == b"old contents" and not folder.exists("c.exe")
    assert folder.record() is None and folder.read("config.ini") == b""
    assert scenario.log.messages() == (
        expect.start_lines() + [b"BASEURL=" + scenario.base_url.encode() + b"\r\n"] +
        expect.download_lines("b.exe") + [b"EXIT LAUNCHER\r\n"])
    assert leftover_temp_files(scenario, folder) == []


def test_a_release_published_mid_update(scenario):
    """nginx serves /r/slow/ slowly: while the launcher downloads, the maker
    publishes the next release into the same folder. The launcher finishes with
    the release it began on, without a message, and starts the game; its next
    start brings the new release."""
    first = {"a.dll": sample_bytes("slow-a", 3000), "big.exe": sample_bytes("slow-big-1", 1500000)}
    second = dict(first, **{"big.exe": sample_bytes("slow-big-2", 1500000), "new.exe": sample_bytes("slow-new", 2000)})
    scenario.publish("slow", first)
    first_base, first_path = scenario.base_url, scenario.url_path("")
    folder = scenario.game_folder()
    run = scenario.start(folder)

    run.wait_bar(3002, visible=True, min_pos=200000, timeout=60)   # inside big.exe
    scenario.publish("slow", second, again=True)
    published_at = time.time()
    assert scenario.base_url != first_base and "1 reused" in scenario.published
    assert named_release(scenario.release_dir("slow"), scenario.resinfo_file)[0] == scenario.base_url

    wait_until(folder.record, 60, "the game to start")
    assert run.msgboxes() == []
    assert all(folder.read(name) == data for name, data in first.items()) and not folder.exists("new.exe")
    big = [r for r in scenario.web_requests() if r["path"] == first_path + "big.exe.gz"]
    assert [r["status"] for r in big] == [200] and big[0]["time"] > published_at, "not mid-update"
    assert run.close()
    assert run.wait(30) == 0

    os.remove(folder.record_file)
    again = scenario.start(folder)
    wait_until(folder.record, 60, "the game to start again")
    assert all(folder.read(name) == data for name, data in second.items())
    assert again.close()
    assert again.wait(30) == 0
    assert [m for m in scenario.log.messages() if m.startswith(b"BASEURL=")] == [
        b"BASEURL=" + first_base.encode() + b"\r\n", b"BASEURL=" + scenario.base_url.encode() + b"\r\n"]
    new_downloads = [p for p in scenario.web_paths() if p.startswith(scenario.url_path(""))]
    assert new_downloads == [scenario.url_path(n) for n in ("md5.txt", "big.exe.gz", "new.exe.gz")]


# Signed releases, served to the launcher built with the test release key.

def signed_scenario(scenario, number, recorded=None, signer="openssl", launcher=paths.SIGNED_LAUNCHER_EXE,
                    files=None, config_ini=True, base_url=None):
    """Publishes files (default a.exe and the game) as a release signed as number
    (by openssl, or by korvan-publish --sign, which numbers a new output folder's
    first signed release 1); returns the release folder and a game folder with
    the signed launcher (or launcher) and an older a.exe."""
    if not os.path.exists(launcher):
        pytest.skip("not built: " + os.path.relpath(launcher, paths.TOP))
    with open(paths.FAKE_KORVAN_EXE, "rb") as f:
        game = f.read()
    files = files or {"korvan.exe": game, "a.exe": sample_bytes("signed-a", 300000)}
    if signer == "korvan-publish":
        assert number == 1
        out = scenario.publish("signed", files, extra=("--sign", paths.RELEASE_KEY))
    else:
        out = scenario.publish("signed", files, base_url=base_url)
        sign_release(out, number, paths.RELEASE_KEY)
    config = b"" if recorded is None else b"[STATUS]\r\nRELEASE=%d\r\n" % recorded
    folder = scenario.game_folder({"a.exe": b"old a", "config.ini": config} if config_ini else {"a.exe": b"old a"},
                                  config_ini=config_ini, launcher=launcher)
    return out, folder


@pytest.mark.parametrize("signer, number, recorded", [("openssl", 12, 12), ("korvan-publish", 1, None)])
def test_signed_release_is_installed_and_its_number_recorded(scenario, signer, number, recorded):
    out, folder = signed_scenario(scenario, number, recorded=recorded, signer=signer)
    run = scenario.start(folder)

    assert wait_until(folder.record, 60, "the game to start")[0] == b'"korvan.exe"'
    assert folder.read("a.exe") == sample_bytes("signed-a", 300000)
    assert read_status(folder, b"RELEASE") == b"%d" % number
    assert read_status(folder) == paths.windows_path(folder.launcher).encode()
    assert run.msgboxes() == []
    assert [p for p in scenario.web_paths() if p.startswith(scenario.url_path(""))] == [
        scenario.url_path(n) for n in ("md5.txt", "SHA256SUMS", "SHA256SUMS.sig", "a.exe.gz")]
    assert run.close()
    assert run.wait(30) == 0


@pytest.mark.parametrize("tamper", ["md5.txt", "a.exe.gz", "SHA256SUMS", "other key",
                                    "no SHA256SUMS", "no SHA256SUMS.sig", "no korvan.exe"])
def test_signed_release_refused(scenario, tmp_path, tamper):
    """One changed byte, another key, a missing statement or a list without the
    game: the box, owned by the window; nothing written or started, the local
    file unchanged."""
    out, folder = signed_scenario(scenario, 3, files={"a.exe": b"a"} if tamper == "no korvan.exe" else None)
    if tamper == "other key":
        make_key(str(tmp_path / "other.pem"))
        sign_release(out, 3, str(tmp_path / "other.pem"))
    elif tamper.startswith("no SHA"):
        os.remove(os.path.join(out, tamper[3:]))
    elif tamper == "no korvan.exe":
        pass
    else:
        change_one_byte(os.path.join(out, tamper), -30 if tamper == "a.exe.gz" else 20)
    run = scenario.start(folder)

    box = run.wait_msgbox(timeout=60)
    name = {"a.exe.gz": b"a.exe", "no korvan.exe": b"korvan.exe"}.get(tamper, b"md5.txt")
    assert box["text"] == name + b" invalid signature"
    assert box["caption"] == expect.LAUNCHER_TITLE
    assert box["owner"] == run.window()["hwnd"] and box["has_icon"] and box["buttons"] == [1]
    run.press(1)
    assert run.window()["visible"], "an error box left the launcher hidden"
    assert run.close()
    assert run.wait(30) == 0
    assert folder.read("a.exe") == b"old a"
    assert folder.read("config.ini") == b"" and folder.record() is None
    archives = [p for p in scenario.web_paths() if p.endswith(".gz")]
    assert archives == ([scenario.url_path("a.exe.gz")] if tamper == "a.exe.gz" else [])
    assert leftover_temp_files(scenario, folder) == []


@pytest.mark.parametrize("launcher, number, recorded, newer", [
    (paths.SIGNED_LAUNCHER_EXE, 6, 7, 8), (paths.FULL_LAUNCHER_EXE, paths.FULL_MIN_RELEASE - 1, None, 2)])
def test_older_signed_release_is_retried_silently(scenario, launcher, number, recorded, newer):
    """A release older than the recorded one, or below the floor built into the
    launcher, is fetched again every 10 s with no message; once the newer one
    is served it is installed."""
    out, folder = signed_scenario(scenario, number, recorded=recorded, launcher=launcher)
    run = scenario.start(folder)
    sig = scenario.url_path("SHA256SUMS.sig")
    wait_until(lambda: scenario.web_paths().count(sig) >= 2, 60, "a second list attempt")
    assert run.msgboxes() == [] and folder.record() is None
    assert not any(p.endswith(".gz") for p in scenario.web_paths())

    sign_release(out, newer, paths.RELEASE_KEY)
    try:
        wait_until(folder.record, 60, "the game to start")
    except Exception:
        raise AssertionError("%r %r %r" % (scenario.web_paths(), run.msgboxes(), scenario.log.messages()))
    assert read_status(folder, b"RELEASE") == b"%d" % newer
    assert folder.read("a.exe") == sample_bytes("signed-a", 300000)
    assert run.msgboxes() == []
    assert run.close()
    assert run.wait(30) == 0


@pytest.mark.parametrize("cut", ["SHA256SUMS"])
def test_signed_text_cut_short_is_retried_then_accepted(scenario, fault_server, cut):
    """A text that arrives with fewer bytes than its Content-Length is a failed
    download, tried again in 10 s, not a forgery: no message, then installed."""
    server = fault_server(files_dir=scenario.release_dir("signed"))
    out, folder = signed_scenario(scenario, 5, base_url=server.url("/"))
    whole = read_published(out, cut)
    server.route(scenario.url_path(cut), fs.in_turn(fs.close_mid_body(whole, len(whole) // 2), then=fs.respond(whole)))
    run = scenario.start(folder)

    assert wait_until(folder.record, 60, "the game to start")[0] == b'"korvan.exe"'
    assert run.msgboxes() == []
    assert server.hits(scenario.url_path(cut)) == 2
    assert folder.read("a.exe") == sample_bytes("signed-a", 300000)
    assert run.close()
    assert run.wait(30) == 0


def test_signed_launcher_trusts_only_verified_programs(scenario, tmp_path):
    """Without config.ini next to it the launcher works under LocalAppData: a
    library there that loads is still compared and updated, never loaded, and
    the game started is the verified korvan.exe of that folder, not the one
    planted beside the launcher."""
    library = build_marker_dll(str(tmp_path / "marker.dll"))
    with open(paths.FAKE_KORVAN_EXE, "rb") as f:
        game = f.read()
    new_library = sample_bytes("signed-lib", 5000)
    out, folder = signed_scenario(scenario, 4, config_ini=False,
                                  files={"korvan.exe": game, "a.exe": b"a", "loadable.dll": new_library})
    shutil.copy(paths.PROBE_EXE, folder.file("korvan.exe"))   # it would write no record
    work = scenario.appdata_work_dir()
    os.makedirs(work)
    with open(os.path.join(work, "loadable.dll"), "wb") as f:
        f.write(library)
    run = scenario.start(folder, b"x y")

    line, cwd = wait_until(folder.record, 60, "the verified game to start")
    assert (line, cwd) == (b'"korvan.exe" x y', b"C:\\users\\root\\AppData\\Local\\R-FIG\\korvan\\130")
    with open(os.path.join(work, "loadable.dll"), "rb") as f:
        assert f.read() == new_library
    assert folder.dll_loads() == []
    assert run.msgboxes() == []
    assert run.close()
    assert run.wait(30) == 0


@pytest.mark.parametrize("case", ["cut", "kill", "200", "stale"])
def test_resumed_download(scenario, fault_server, case):
    """Full build: a cut or killed download goes on, a 200 starts over, a stale partial is fetched again."""
    if not os.path.exists(paths.FULL_LAUNCHER_EXE):
        pytest.skip("not built: build/win64-full/launcher.exe")
    server = fault_server(files_dir=scenario.release_dir("resume"))
    with open(paths.FAKE_KORVAN_EXE, "rb") as f:
        files = {"korvan.exe": f.read(), "a.exe": sample_bytes("resume-a", 300000)}
    out = scenario.publish("resume", files, base_url=server.url("/"))
    sign_release(out, 2, paths.RELEASE_KEY)
    archive = read_published(out, "a.exe.gz")
    half = len(archive) // 2 + 1
    first = fs.ranged(archive, cut=None if case == "stale" else half, hold=60 if case == "kill" else 0)
    server.route(scenario.url_path("a.exe.gz"), fs.in_turn(first, then=fs.ranged(archive, ranges=case != "200")))
    partial = "launcher-partial/%s.part" % md5_text(b"a.exe=" + md5_text(files["a.exe"]).encode())
    folder = scenario.game_folder({partial: bytes(half)} if case == "stale" else {}, launcher=paths.FULL_LAUNCHER_EXE)
    run = scenario.start(folder)
    if case == "kill":
        run.wait_bar(3002, visible=True, min_pos=half, timeout=60)
        run.kill()
        wait_until(lambda: kill_processes_with_token(run.token) == 0, 30, "the killed launcher to end")
        assert folder.read(partial) == archive[:half]
        run = scenario.start(folder)
    wait_until(folder.record, 60, "the game to start")
    assert folder.read("a.exe") == files["a.exe"] and run.msgboxes() == [] and not folder.exists("launcher-partial")
    ranges = [re.search(rb"\r\nRange: bytes=(\d+)-\r\n", r.head) for r in server.requests_for(scenario.url_path("a.exe.gz"))]
    assert [int(m.group(1)) if m else 0 for m in ranges] == ([half, 0] if case == "stale" else [0, half])


# The digest cache, in the launcher built with every option.

def start_reads(scenario, folder, name, hold_shift=False):
    """Runs the launcher to the game (Shift held until its window shows), closes it. Returns whether
    name was read: its access time is first put before its last write, which a read undoes (relatime)."""
    st = os.stat(folder.file(name))
    os.utime(folder.file(name), ns=(st.st_mtime_ns - 10 ** 9, st.st_mtime_ns))
    if hold_shift:
        out = folder.path + ".shift.txt"
        with open(out, "wb") as f:
            holder = subprocess.Popen([paths.WINE, paths.PROBE_EXE, "hold-shift", "--exe", paths.windows_path(
                folder.launcher), "--timeout", "60"], env=scenario.desktop.env(), stdout=f, stdin=subprocess.DEVNULL)
        wait_until(lambda: b'"holding":true' in open(out, "rb").read(), 30, "Shift to be held")
    run = scenario.start(folder)
    wait_until(folder.record, 60, "the game to start")
    os.remove(folder.record_file)
    assert not hold_shift or holder.wait(60) == 0
    assert run.msgboxes() == [] and run.close() and run.wait(30) == 0
    st = os.stat(folder.file(name))
    return st.st_atime_ns > st.st_mtime_ns


def test_digest_cache_reads_only_what_changed(scenario):
    out, folder = signed_scenario(scenario, 2, launcher=paths.FULL_LAUNCHER_EXE)
    # korvan.exe is read when the game starts: a.exe is the listed file watched.
    start_reads(scenario, folder, "a.exe")
    assert not start_reads(scenario, folder, "a.exe"), "an up-to-date file was read"

    # Another file (a new inode) with the same size and last-write time is hashed and replaced.
    st = os.stat(folder.file("a.exe"))
    folder.write("a.new", bytes(st.st_size))
    os.replace(folder.file("a.new"), folder.file("a.exe"))
    os.utime(folder.file("a.exe"), ns=(st.st_atime_ns, st.st_mtime_ns))
    start_reads(scenario, folder, "a.exe")
    assert folder.read("a.exe") == sample_bytes("signed-a", 300000)

    # A corrupt digest file, then Shift held: a.exe is read again.
    folder.write("launcher-digests.txt", b"korvan-digests 1\ngarbage\n")
    assert start_reads(scenario, folder, "a.exe") and start_reads(scenario, folder, "a.exe", hold_shift=True)
    assert re.fullmatch(rb"korvan-digests 1\nfull-check [0-9a-f]{16}\n([0-9a-f]{32}( [0-9a-f]+){4} \S+\n)+",
                        folder.read("launcher-digests.txt"))
    assert leftover_temp_files(scenario, folder) == []
