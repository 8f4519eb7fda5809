"""The end-to-end harness: fault server, expectations, scenarios, the probe that
inspects windows. What the demo shares with it lives in scripts/stage/."""
import os
import sys

sys.path.insert(0, os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "..", "scripts")))
