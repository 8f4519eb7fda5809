"""A loopback HTTP server of our own for what a real web server won't do:
bodies cut short, stalls, lying lengths, heads of exact sizes, endless bodies,
refused connections. Answers are written byte for byte as given."""
import os
import re
import socket
import threading
import time


class Request:
    def __init__(self, head, path, when):
        self.head = head          # the request head bytes, blank line included
        self.path = path          # the request target bytes, as sent
        self.time = when          # monotonic time the head was complete


def ok_head(length=None, status=b"200 OK", extra=b""):
    head = b"HTTP/1.0 " + status + b"\r\n"
    if length is not None:
        head += b"Content-Length: %d\r\n" % length
    return head + extra + b"\r\n"


def head_of_size(size, status=b"200 OK", length=0):
    """Returns a response head of exactly size bytes (blank line included),
    padded with an X-Pad header."""
    start = b"HTTP/1.0 " + status + b"\r\nContent-Length: %d\r\n" % length
    pad = size - len(start) - len(b"X-Pad: \r\n\r\n")
    if pad < 0:
        raise ValueError("head too small")
    head = start + b"X-Pad: " + b"p" * pad + b"\r\n\r\n"
    assert len(head) == size
    return head


class Conn:
    """What a behaviour gets: the socket, the request and the server's stop flag."""

    def __init__(self, sock, request, stopping):
        self.sock = sock
        self.request = request
        self.stopping = stopping

    def send(self, data):
        try:
            self.sock.sendall(data)
            return True
        except OSError:
            return False

    def pause(self, seconds):
        """Waits; returns False when the server is stopping."""
        return not self.stopping.wait(seconds)


# Behaviours: each returns a callable(conn) that answers one request.

def respond(body, status=b"200 OK", length=True, extra=b""):
    return lambda c: c.send(ok_head(len(body) if length else None, status, extra) + body)


def redirect(location, status=b"302 Found"):
    location = location.encode() if isinstance(location, str) else location
    return lambda c: c.send(ok_head(0, status, b"Location: " + location + b"\r\n"))


def raw(data):
    return lambda c: c.send(data)


def close_mid_body(body, sent):
    """Announces the whole body, sends only its first sent bytes, closes."""
    return lambda c: c.send(ok_head(len(body)) + body[:sent])


def lying_length(body, declared):
    return lambda c: c.send(ok_head(declared) + body)


def stall(seconds, before=b""):
    """Sends before (may be a partial head or body) and then nothing for seconds."""
    def run(c):
        c.send(before)
        c.pause(seconds)
    return run


def endless(chunk=b"x" * 4096, length=None):
    def run(c):
        if not c.send(ok_head(length)):
            return
        while not c.stopping.is_set() and c.send(chunk):
            pass
    return run


def gated(body, sent, gate, length=True):
    """Sends the head and the first sent bytes, waits until gate is set (or the
    server stops), then sends the rest."""
    def run(c):
        if not c.send(ok_head(len(body) if length else None) + body[:sent]):
            return
        while not gate.wait(0.05):
            if c.stopping.is_set():
                return
        c.send(body[sent:])
    return run


def ranged(body, cut=None, ranges=True, hold=0):
    """Serves body as nginx does a file: "Range: bytes=N-" (if ranges) gives 206 with the rest,
    416 from the end on. Closes after cut body bytes, held open for hold seconds first."""
    def run(c):
        asked = re.search(rb"\r\nRange: bytes=(\d+)-\r\n", c.request.head) if ranges else None
        start, size = (int(asked.group(1)) if asked else 0), len(body)
        if asked and start >= size:
            return c.send(ok_head(0, b"416 Requested Range Not Satisfiable", b"Content-Range: bytes */%d\r\n" % size))
        range_head = b"Content-Range: bytes %d-%d/%d\r\n" % (start, size - 1, size)
        c.send((ok_head(size - start, b"206 Partial Content", range_head) if asked else ok_head(size)) + body[start:][:cut])
        c.pause(hold)
    return run


def in_turn(*first, then):
    """Answers the first requests with the behaviours of first, one each, and
    every later request with then."""
    pending = iter(first)
    return lambda c: next(pending, then)(c)


class FaultServer:
    """Serves routes (exact request paths, bytes) and, for other paths, the files
    of files_dir (404 when missing). Every request is recorded."""

    def __init__(self, port=0, files_dir=None, host="127.0.0.1"):
        self.host = host
        self.port = port
        self.files_dir = files_dir
        self.routes = {}
        self.requests = []
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        self.listener = None
        self.accept_thread = None
        self.workers = []
        self.open_socks = set()

    # set-up

    def route(self, path, behaviour):
        path = path.encode() if isinstance(path, str) else path
        self.routes[path] = behaviour

    def url(self, path="/"):
        return "http://%s:%d%s" % (self.host, self.port, path)

    def start(self):
        self._listen()
        return self

    def _listen(self):
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.bind((self.host, self.port))
        sock.listen(32)
        sock.settimeout(0.1)
        self.port = sock.getsockname()[1]
        self.listener = sock
        self.accept_thread = threading.Thread(target=self._accept, args=(sock,), daemon=True)
        self.accept_thread.start()

    def refuse(self):
        """Stops listening: connections to the port are refused until resume()."""
        sock, self.listener = self.listener, None
        if sock is not None:
            sock.close()
        if self.accept_thread is not None:
            self.accept_thread.join(5)
            self.accept_thread = None

    def resume(self):
        self._listen()

    def stop(self):
        self.stopping.set()
        self.refuse()
        with self.lock:
            socks = list(self.open_socks)
        for s in socks:
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        for t in self.workers:
            t.join(5)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # observation

    def paths(self):
        with self.lock:
            return [r.path for r in self.requests]

    def hits(self, path):
        path = path.encode() if isinstance(path, str) else path
        return self.paths().count(path)

    def requests_for(self, path):
        path = path.encode() if isinstance(path, str) else path
        with self.lock:
            return [r for r in self.requests if r.path == path]

    # serving

    def _accept(self, listener):
        while not self.stopping.is_set():
            try:
                sock, _ = listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            t = threading.Thread(target=self._serve, args=(sock,), daemon=True)
            with self.lock:
                self.open_socks.add(sock)
                self.workers = [w for w in self.workers if w.is_alive()] + [t]
            t.start()

    def _serve(self, sock):
        try:
            sock.settimeout(30)
            head = b""
            while b"\r\n\r\n" not in head and len(head) < 65536:
                data = sock.recv(4096)
                if not data:
                    return
                head += data
            parts = head.split(b"\r\n", 1)[0].split(b" ")
            path = parts[1] if len(parts) > 1 else b""
            request = Request(head, path, time.monotonic())
            with self.lock:
                self.requests.append(request)
            behaviour = self.routes.get(path) or self._file_behaviour(path)
            behaviour(Conn(sock, request, self.stopping))
        except OSError:
            pass
        finally:
            with self.lock:
                self.open_socks.discard(sock)
            try:
                sock.shutdown(socket.SHUT_WR)
            except OSError:
                pass
            sock.close()

    def _file_behaviour(self, path):
        if self.files_dir is not None and path.startswith(b"/"):
            local = os.path.join(os.fsencode(self.files_dir), path[1:])
            real = os.path.realpath(local)
            if real.startswith(os.path.realpath(os.fsencode(self.files_dir))) and os.path.isfile(real):
                with open(real, "rb") as f:
                    return respond(f.read())
        return respond(b"not found", b"404 Not Found")
