"""A real nginx on loopback, as the maker's web server, with a configuration and
prefix folder of its own. It serves the files of a web root through the maker's
configuration shipped with korvan-publish (no compression, no Content-Encoding,
cache lifetimes), with compression switched on around it, and whatever further
locations its user adds."""
import os
import re
import signal
import socket
import subprocess
import time

from .paths import RELEASE_CONF, SERVER_HOST, SERVER_PORT
from .polling import wait_until

NGINX = "/usr/sbin/nginx"

LOG_FORMAT = r'$msec "$request" $status $body_bytes_sent "$http_host" "$http_user_agent" "$http_accept_encoding"'
LOG_LINE = re.compile(r'^(\S+) "([^"]*)" (\d+) (\d+) "([^"]*)" "([^"]*)" "([^"]*)"$')


class Nginx:
    def __init__(self, root, prefix, port=SERVER_PORT, locations=(), start_timeout=60.0):
        """locations: lines of the server block before the maker's configuration."""
        self.root = os.path.abspath(root)
        self.prefix = os.path.abspath(prefix)
        self.port = port
        self.locations = list(locations)
        self.start_timeout = start_timeout
        self.process = None

    @property
    def access_log(self):
        return os.path.join(self.prefix, "logs", "access.log")

    @property
    def error_log(self):
        return os.path.join(self.prefix, "logs", "error.log")

    def url(self, path="/"):
        return "http://%s:%d%s" % (SERVER_HOST, self.port, path)

    def config(self):
        p = self.prefix
        user = "user root;\n" if os.geteuid() == 0 else ""
        locations = "\n        ".join(self.locations)
        return f"""{user}daemon off;
worker_processes 1;
pid {p}/nginx.pid;
error_log {p}/logs/error.log info;
events {{ worker_connections 128; }}
http {{
    types {{ text/plain txt; }}
    default_type application/octet-stream;
    log_format korvan '{LOG_FORMAT}';
    access_log {p}/logs/access.log korvan;
    client_body_temp_path {p}/temp/body;
    proxy_temp_path {p}/temp/proxy;
    fastcgi_temp_path {p}/temp/fastcgi;
    uwsgi_temp_path {p}/temp/uwsgi;
    scgi_temp_path {p}/temp/scgi;
    # Compression everywhere: the shipped configuration must turn it off.
    gzip on;
    gzip_types *;
    gzip_min_length 1;
    gzip_static on;
    etag off;
    server_tokens off;
    sendfile off;
    keepalive_timeout 0;
    charset off;
    server {{
        listen 127.0.0.1:{self.port};
        server_name {SERVER_HOST};
        root {self.root};
        {locations}
        include {RELEASE_CONF};
        location / {{ }}
    }}
}}
"""

    def start(self):
        for sub in ("conf", "logs", "temp"):
            os.makedirs(os.path.join(self.prefix, sub), exist_ok=True)
        conf = os.path.join(self.prefix, "conf", "nginx.conf")
        with open(conf, "w") as f:
            f.write(self.config())
        check = subprocess.run([NGINX, "-t", "-p", self.prefix, "-c", conf, "-e", self.error_log],
                               capture_output=True, text=True)
        if check.returncode != 0:
            raise RuntimeError("nginx configuration rejected:\n" + check.stderr)
        # The port may still be held for a moment by a server of an earlier run.
        deadline = time.monotonic() + self.start_timeout
        while True:
            self.process = subprocess.Popen([NGINX, "-p", self.prefix, "-c", conf, "-e", self.error_log],
                                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            try:
                wait_until(lambda: self.process.poll() is not None or self._answers(), 10, "nginx to listen")
            except Exception:
                self.stop()
                raise
            if self.process.poll() is None:
                return self
            err = self.process.stderr.read().decode(errors="replace")
            self.process = None
            if "Address already in use" not in err or time.monotonic() >= deadline:
                raise RuntimeError("nginx did not start:\n" + err)
            time.sleep(0.5)

    def _answers(self):
        try:
            with socket.create_connection(("127.0.0.1", self.port), timeout=0.5):
                return True
        except OSError:
            return False

    def stop(self):
        if self.process is None:
            return
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGQUIT)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        if self.process.stderr:
            self.process.stderr.close()
        self.process = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def requests(self):
        """Returns the logged requests: dicts with time, request, path, status,
        bytes, host, agent, accept_encoding."""
        out = []
        if not os.path.exists(self.access_log):
            return out
        with open(self.access_log, encoding="latin-1") as f:
            for line in f:
                m = LOG_LINE.match(line.rstrip("\n"))
                if not m:
                    continue
                request = m.group(2)
                parts = request.split(" ")
                out.append({"time": float(m.group(1)), "request": request,
                            "path": parts[1] if len(parts) > 1 else "",
                            "status": int(m.group(3)), "bytes": int(m.group(4)),
                            "host": m.group(5), "agent": m.group(6),
                            "accept_encoding": m.group(7)})
        return out

    def paths(self):
        return [r["path"] for r in self.requests()]
