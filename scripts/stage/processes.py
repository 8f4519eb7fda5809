"""The processes of one run, found by a token in their environment: every
program that a run starts inherits KORVAN_RUN=<token>."""
import os
import signal
import uuid

RUN_VARIABLE = "KORVAN_RUN"
# Programs of a run; Wine's own services may carry the run's environment too and are spared.
RUN_PROGRAMS = (b"launcher.exe", b"korvan.exe")


def new_token():
    return uuid.uuid4().hex


def program_name(pid):
    """Returns the lower-case file name of the process's program (a Wine program's
    argv[0] is its Windows path), or None when the process is gone."""
    try:
        with open("/proc/%s/cmdline" % pid, "rb") as f:
            return f.read().split(b"\0")[0].replace(b"\\", b"/").rsplit(b"/", 1)[-1].lower()
    except OSError:
        return None


def run_of(pid):
    """Returns the run token in the process's environment: "" when it has none,
    None when the process is gone."""
    try:
        with open("/proc/%s/environ" % pid, "rb") as f:
            environ = f.read().split(b"\0")
    except OSError:
        return None
    marker = RUN_VARIABLE.encode() + b"="
    for entry in environ:
        if entry.startswith(marker):
            return entry[len(marker):].decode()
    return ""


def processes_with_token(token, programs=RUN_PROGRAMS):
    """Returns the ids of the processes of the run token that run one of programs."""
    found = []
    for pid in os.listdir("/proc"):
        if pid.isdigit() and int(pid) != os.getpid() and run_of(pid) == token and program_name(pid) in programs:
            found.append(int(pid))
    return found


def kill_processes_with_token(token, programs=RUN_PROGRAMS):
    """Kills the run's programs. Returns how many were signalled."""
    count = 0
    for pid in processes_with_token(token, programs):
        try:
            os.kill(pid, signal.SIGKILL)
            count += 1
        except OSError:
            pass
    return count
