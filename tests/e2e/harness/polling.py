"""Waiting with a deadline: stage.polling, under the name the tests import."""
from stage.polling import Timeout, wait_until  # noqa: F401
