"""The log listener: stage.udp_log, under the name the tests import."""
from stage.udp_log import UdpLogListener  # noqa: F401
