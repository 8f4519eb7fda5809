"""Fixtures of the end-to-end suite; the pieces live in harness/."""
import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(__file__))

from harness import paths  # noqa: E402
from harness.fault_server import FaultServer  # noqa: E402
from harness.nginx import Nginx  # noqa: E402
from harness.scenario import Scenario  # noqa: E402
from harness.udp_log import UdpLogListener  # noqa: E402
from harness.wine import WineDesktop  # noqa: E402


def need(path):
    if not os.path.exists(path):
        pytest.skip("not built: " + os.path.relpath(path, paths.TOP))


@pytest.fixture(scope="session")
def desktop():
    """The display and Wine prefix (DISPLAY/WINEPREFIX honoured, else our own Xvfb)."""
    need(paths.PROBE_EXE)
    d = WineDesktop().start()
    yield d
    d.stop()


@pytest.fixture(scope="session")
def web(tmp_path_factory):
    """nginx on 127.0.0.1:47080 serving a web root of its own."""
    base = tmp_path_factory.mktemp("web")
    os.makedirs(base / "www" / "1")
    server = Nginx(root=str(base / "www"), prefix=str(base / "nginx")).start()
    yield server
    server.stop()


@pytest.fixture
def udp_log():
    """The log listener on UDP 127.0.0.1:514, for one test; it keeps only the
    datagrams of the test's own launcher runs (see Scenario.start)."""
    listener = UdpLogListener(runs=[]).start()
    yield listener
    listener.stop()


@pytest.fixture
def fault_server():
    """Makes loopback fault servers that are stopped after the test."""
    servers = []

    def make(**kwargs):
        s = FaultServer(**kwargs).start()
        servers.append(s)
        return s
    yield make
    for s in servers:
        s.stop()


@pytest.fixture
def scenario(tmp_path, desktop, web, udp_log):
    """A launcher scenario; kills its processes and removes what it made."""
    need(paths.LAUNCHER_EXE)
    need(paths.FAKE_KORVAN_EXE)
    need(paths.PUBLISH_TOOL)
    s = Scenario(str(tmp_path), desktop, web, udp_log)
    yield s
    s.close()
