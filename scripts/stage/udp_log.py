"""Listener for the launcher's log datagrams on UDP 127.0.0.1:514."""
import errno
import os
import socket
import threading
import time

from .polling import wait_until
from .processes import run_of

LOG_PORT = 514
UNKNOWN = "?"


def _socket_inode(port):
    """Returns the inode of the local UDP socket bound to 127.0.0.1:port, or None."""
    local = "0100007F:%04X" % port
    try:
        with open("/proc/net/udp") as f:
            for line in f.readlines()[1:]:
                fields = line.split()
                if fields[1] == local:
                    return fields[9]
    except OSError:
        pass
    return None


def sender_run(port):
    """Returns the run token in the environment of the process that owns the UDP
    socket with local port port: "" for a process without one, UNKNOWN when no
    such socket or process is found (any more)."""
    inode = _socket_inode(port)
    if inode is None:
        return UNKNOWN
    link = "socket:[%s]" % inode
    found = UNKNOWN
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            fds = os.listdir("/proc/%s/fd" % pid)
            if not any(os.readlink("/proc/%s/fd/%s" % (pid, fd)) == link for fd in fds):
                continue
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                # The wineserver holds every socket of the prefix, and carries the
                # environment of whichever program started it.
                if b"wineserver" in f.read().split(b"\0")[0]:
                    continue
        except OSError:
            continue
        run = run_of(pid)
        if run:
            return run
        if run is not None:
            found = ""  # a program without a token
    return found


class UdpLogListener:
    """Keeps the bytes of every datagram that arrives, in arrival order.

    Only one process can own the port: the bind is retried until bind_timeout
    passes, since another test program may hold it for a moment."""

    def __init__(self, host="127.0.0.1", port=LOG_PORT, bind_timeout=90.0, runs=None):
        """runs, when given, is a list of run tokens (stage.processes): datagrams whose
        sender is known to carry another value (or none) are then left out, so
        that programs of other test runs on the machine don't mix in."""
        self.address = (host, port)
        self.bind_timeout = bind_timeout
        self.sock = None
        self.thread = None
        self.lock = threading.Lock()
        self.datagrams = []      # (monotonic time, bytes)
        self.runs = runs
        self.senders = {}        # source port -> run value
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
                data, source = self.sock.recvfrom(65536)
            except socket.timeout:
                continue
            except OSError:
                break
            when = time.monotonic()
            if self.runs is not None:
                # A sender's socket keeps its port: the first datagram names the run.
                run = self.senders.get(source[1])
                if run is None or run == UNKNOWN:
                    run = self.senders[source[1]] = sender_run(source[1])
                if run != UNKNOWN and run not in self.runs:
                    continue
            with self.lock:
                self.datagrams.append((when, data))

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
