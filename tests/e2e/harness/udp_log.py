"""Listener for the launcher's log datagrams on UDP 127.0.0.1:514."""
import errno
import socket
import threading
import time

from .polling import wait_until

LOG_PORT = 514


class UdpLogListener:
    """Keeps the bytes of every datagram that arrives, in arrival order.

    Only one process can own the port: the bind is retried until bind_timeout
    passes, since another test program may hold it for a moment."""

    def __init__(self, host="127.0.0.1", port=LOG_PORT, bind_timeout=90.0):
        self.address = (host, port)
        self.bind_timeout = bind_timeout
        self.sock = None
        self.thread = None
        self.lock = threading.Lock()
        self.datagrams = []      # (monotonic time, bytes)
        self.stopping = False

    def start(self):
        deadline = time.monotonic() + self.bind_timeout
        while True:
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            try:
                sock.bind(self.address)
                break
            except OSError as e:
                sock.close()
                if e.errno != errno.EADDRINUSE or time.monotonic() >= deadline:
                    raise
                time.sleep(0.2)
        sock.settimeout(0.1)
        self.sock = sock
        self.thread = threading.Thread(target=self._run, name="udp-log", daemon=True)
        self.thread.start()
        return self

    def _run(self):
        while not self.stopping:
            try:
                data = self.sock.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                break
            with self.lock:
                self.datagrams.append((time.monotonic(), data))

    def stop(self):
        self.stopping = True
        if self.thread is not None:
            self.thread.join(5)
        if self.sock is not None:
            self.sock.close()
            self.sock = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def clear(self):
        with self.lock:
            self.datagrams = []

    def packets(self):
        """Returns the datagrams received so far, as bytes, in order."""
        with self.lock:
            return [d for _, d in self.datagrams]

    def timed(self):
        """Returns (monotonic time, bytes) pairs in order."""
        with self.lock:
            return list(self.datagrams)

    def messages(self):
        """Returns the texts of the datagrams: each without its final NUL byte.
        A datagram without that NUL is kept whole, so that a test sees it."""
        return [d[:-1] if d.endswith(b"\0") else d for d in self.packets()]

    def wait_for(self, predicate, timeout, what="log datagram"):
        """Waits until predicate(messages) is true; returns the messages."""
        def met():
            messages = self.messages()
            return messages if predicate(messages) else None
        return wait_until(met, timeout, what)

    def wait_for_message(self, text, timeout, count=1):
        """Waits until the message text (bytes, CR LF included) has arrived count times."""
        return self.wait_for(lambda m: m.count(text) >= count, timeout, "log message %r" % text)
