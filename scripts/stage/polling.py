"""Waiting for conditions with a deadline instead of fixed sleeps."""
import time


class Timeout(AssertionError):
    pass


def wait_until(condition, timeout, what="condition", interval=0.02):
    """Polls condition() until it returns a true value; returns that value.
    Raises Timeout after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Timeout("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)
