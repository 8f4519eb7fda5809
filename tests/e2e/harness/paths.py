"""Where the test programs are; the rest comes from stage.paths."""
import os

from stage.paths import *  # noqa: F401,F403
from stage.paths import TOP, WIN64

RESULTS = os.path.join(TOP, "build", "results")
LAUNCHER_EXE = os.path.join(WIN64, "launcher.exe")
FAKE_KORVAN_EXE = os.path.join(WIN64, "fake_korvan.exe")
PROBE_EXE = os.path.join(WIN64, "probe.exe")
PROBE_TARGET_EXE = os.path.join(WIN64, "probe_target.exe")
