"""The harness on its own: what the servers send, the log listener, the probe."""
import os
import socket
import subprocess
import threading
import time

import pytest

from harness import fault_server as fs
from harness import paths, release
from harness.udp_log import UdpLogListener
from harness.wine import GameFolder, LauncherRun, unhex

LAUNCHER_HEADERS = (b"User-Agent: Mozilla/4.0 (compatible; R-FIG KORVAN; OS2/6.1.7601; http://localhost/)\r\n"
                    b"Accept-Encoding: gzip, deflate\r\n"
                    b"Host: localhost\r\n"
                    b"Korvan-Client-Type: download\r\n\r\n")


def get(port, path, timeout=5):
    """Sends a GET like the launcher's; returns (head bytes, body bytes)."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(b"GET " + path + b" HTTP/1.0\r\n" + LAUNCHER_HEADERS)
        data = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    return head + b"\r\n\r\n", body


def header(head, name):
    for line in head.split(b"\r\n")[1:]:
        key, _, value = line.partition(b": ")
        if key.lower() == name.lower():
            return value
    return None


def status(head):
    return int(head.split(b" ")[1])


class TestNginx:
    def test_serves_exact_bytes_without_content_encoding(self, web):
        data = os.urandom(300000)
        rel = os.path.join(web.root, "r", "bytes")
        release.write_archive(rel, b"game.exe", data)
        release.write_list(rel, [(b"game.exe", release.md5_text(data).encode())])
        with open(os.path.join(rel, "plain.txt"), "wb") as f:
            f.write(b"BASEURL=http://x/\r\n\x00\xff")
        for name in (b"game.exe.gz", b"md5.txt", b"plain.txt"):
            head, body = get(web.port, b"/r/bytes/" + name)
            with open(os.path.join(os.fsencode(rel), name), "rb") as f:
                disk = f.read()
            assert status(head) == 200
            assert body == disk
            assert header(head, b"Content-Length") == str(len(disk)).encode()
            assert header(head, b"Content-Encoding") is None
            assert header(head, b"Transfer-Encoding") is None
        assert release.read_list(rel) == {b"game.exe": release.md5_text(data).encode()}

    def test_redirects_and_404(self, web):
        head, _ = get(web.port, b"/moved/a/md5.txt")
        assert status(head) == 302
        assert header(head, b"Location") == b"http://localhost:47080/r/a/md5.txt"
        head, _ = get(web.port, b"/relative/a/md5.txt")
        assert status(head) == 302
        assert header(head, b"Location") == b"/r/a/md5.txt"
        assert status(get(web.port, b"/gone/x")[0]) == 404
        assert status(get(web.port, b"/r/nothing-here.txt")[0]) == 404

    @pytest.mark.parametrize("hops", [9, 10])
    def test_redirect_chains(self, web, hops):
        path = b"/chain%d/h0/md5.txt" % hops
        redirects = 0
        while True:
            head, _ = get(web.port, path)
            if status(head) != 302:
                break
            redirects += 1
            path = header(head, b"Location").split(b"47080", 1)[1]
        assert redirects == hops
        assert path == b"/r/chain/md5.txt"
        logged = [r for r in web.requests() if "/chain%d/" % hops in r["path"]]
        assert len(logged) == hops
        assert logged[-1]["accept_encoding"] == "gzip, deflate"


class TestFaultServer:
    def test_behaviours(self, fault_server):
        body = bytes(range(256)) * 8
        gate = threading.Event()
        server = fault_server()
        server.route("/cut", fs.close_mid_body(body, 600))
        server.route("/lie", fs.lying_length(body, 1000))
        server.route("/h4095", fs.raw(fs.head_of_size(4095)))
        server.route("/h4096", fs.raw(fs.head_of_size(4096)))
        server.route("/gate", fs.gated(body, 100, gate))
        server.route("/moved", fs.redirect("http://localhost:1/x"))

        head, got = get(server.port, b"/cut")
        assert header(head, b"Content-Length") == b"2048" and got == body[:600]
        head, got = get(server.port, b"/lie")
        assert header(head, b"Content-Length") == b"1000" and got == body
        assert len(get(server.port, b"/h4095")[0]) == 4095
        assert len(get(server.port, b"/h4096")[0]) == 4096
        assert header(get(server.port, b"/moved")[0], b"Location") == b"http://localhost:1/x"

        threading.Timer(0.3, gate.set).start()
        started = time.monotonic()
        head, got = get(server.port, b"/gate")
        assert got == body and time.monotonic() - started >= 0.25

        assert status(get(server.port, b"/missing")[0]) == 404
        assert server.paths()[:2] == [b"/cut", b"/lie"]
        assert server.requests_for("/cut")[0].head.startswith(b"GET /cut HTTP/1.0\r\nUser-Agent: ")

    def test_stall_endless_files_and_refusal(self, fault_server, tmp_path):
        release.write_files(str(tmp_path), {"a/b.txt": b"file bytes"})
        server = fault_server(files_dir=str(tmp_path))
        server.route("/stall", fs.stall(30, before=b"HTTP/1.0 200 OK\r\n"))
        server.route("/endless", fs.endless(b"z" * 1000))

        assert get(server.port, b"/a/b.txt")[1] == b"file bytes"
        with socket.create_connection(("127.0.0.1", server.port), timeout=1) as s:
            s.sendall(b"GET /stall HTTP/1.0\r\n\r\n")
            assert s.recv(100) == b"HTTP/1.0 200 OK\r\n"
            with pytest.raises(socket.timeout):
                s.recv(100)
        with socket.create_connection(("127.0.0.1", server.port), timeout=5) as s:
            s.sendall(b"GET /endless HTTP/1.0\r\n\r\n")
            received = 0
            while received < 1000000:
                received += len(s.recv(65536))

        port = server.port
        server.refuse()
        with pytest.raises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", port), timeout=1)
        server.resume()
        assert server.port == port
        assert get(port, b"/a/b.txt")[1] == b"file bytes"


class TestUdpLog:
    def test_keeps_every_datagram_in_order_and_waits_for_the_port(self):
        holder = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            holder.bind(("127.0.0.1", 514))
        except OSError:
            holder.close()
            holder = None  # someone else holds it: the listener waits for them instead
        if holder is not None:
            threading.Timer(0.5, holder.close).start()
        started = time.monotonic()
        with UdpLogListener(bind_timeout=90) as log:
            if holder is not None:
                assert time.monotonic() - started >= 0.4
            with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
                s.connect(("127.0.0.1", 514))
                for text in (b"---- update ----\r\n\0", b"lpCmdLine=\x94\xc5\r\n\0", b"no nul"):
                    s.send(text)
            log.wait_for(lambda m: len(m) == 3, 5)
            assert log.packets() == [b"---- update ----\r\n\0", b"lpCmdLine=\x94\xc5\r\n\0", b"no nul"]
            assert log.messages() == [b"---- update ----\r\n", b"lpCmdLine=\x94\xc5\r\n", b"no nul"]


class TestProbe:
    def test_reads_and_drives_a_window_and_its_message_box(self, desktop):
        if not os.path.exists(paths.PROBE_TARGET_EXE):
            pytest.skip("probe_target.exe not built")
        text = "アプリ\r\n\r\n※確認".encode("cp932")
        target = subprocess.Popen([paths.WINE, paths.PROBE_TARGET_EXE, text.hex()],
                                  env=desktop.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            rc, [window] = desktop.probe("wait-visible", "--class", "WC_PROBE_TARGET", "--timeout", 30)
            assert rc == 0
            assert unhex(window["title_hex"]) == b"Korvan / Windows\x94\xc5"
            # WS_VISIBLE once shown; the system adds WS_CLIPSIBLINGS to top-level windows;
            # WS_DISABLED comes and goes with the message box.
            assert window["style"] & ~0x08000000 == 0x80C80000 | 0x10000000 | 0x04000000
            assert window["exstyle"] & 0x88 == 0x88
            assert window["client"] == [320, 32]
            assert window["exe"].lower().endswith("probe_target.exe")
            overall, file_bar = window["bars"]
            assert overall == dict(overall, id=3001, exists=True, visible=True, range=[0, 5], pos=2,
                                   rect=[0, 0, 320, 16], style=0x50000001)
            assert file_bar == dict(file_bar, id=3002, visible=False, range=[0, 1000], pos=250, rect=[0, 16, 320, 32])

            box = desktop.probe_one("wait-msgbox", "--exe", "probe_target", "--timeout", 30)
            assert unhex(box["caption_hex"]) == b"Korvan / Windows\x94\xc5"
            assert unhex(box["text_hex"]) == text
            assert box["owner"] == window["hwnd"] and box["has_icon"] and box["buttons"] == [1]
            assert desktop.probe("msgboxes", "--exe", "no-such-program")[1] == []
            assert desktop.probe("press", "--exe", "probe_target", "--button", 2)[0] == 1
            assert desktop.probe("press", "--exe", "probe_target", "--button", 1)[0] == 0

            sent = desktop.probe_one("escape", "--class", "WC_PROBE_TARGET", "--mode", "input")
            assert sent["sent"] and sent["foreground"]
            assert desktop.probe("wait-gone", "--class", "WC_PROBE_TARGET", "--timeout", 30)[0] == 0
            assert target.wait(30) == 1  # IDOK from the message box
        finally:
            if target.poll() is None:
                target.kill()
                target.wait()

    def test_spawn_gives_the_exact_command_line(self, desktop, tmp_path):
        if not os.path.exists(paths.FAKE_KORVAN_EXE):
            pytest.skip("fake_korvan.exe not built")
        folder = GameFolder(str(tmp_path), config_ini=False)
        run = LauncherRun(desktop, folder, command_line=b'"korvan.exe"  a "b c" \x94\xc5 \x81\x5c', cwd=str(tmp_path))
        try:
            assert run.wait(60) == 0
            line, cwd = folder.record()
            assert line == b'"korvan.exe"  a "b c" \x94\xc5 \x81\x5c'
            assert cwd == paths.windows_path(str(tmp_path)).encode()
        finally:
            run.kill()

    def test_waits_time_out_with_status_1(self, desktop):
        started = time.monotonic()
        rc, [out] = desktop.probe("wait-window", "--class", "WC_NOTHING", "--timeout", 0.5)
        assert rc == 1 and out["timeout"] and not out["found"]
        assert time.monotonic() - started < 20
        assert desktop.probe("window", "--class", "WC_NOTHING")[0] == 1
        assert desktop.probe("bogus")[0] == 2
