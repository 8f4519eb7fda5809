"""Releases as the maker publishes them with korvan-publish: release folders
OUT_DIR/releases/<release>/ of "<name>.gz" archives and the list "md5.txt", and
the resource-information text that names one; and statements (SHA256SUMS and
its .sig) signed with openssl, as a maker can make them by hand. Run as a
program, it signs a release folder (cmake/tests.cmake, from scripts/):
    python3 -m stage.release sign OUT_DIR NUMBER KEY.pem"""
import hashlib
import os
import random
import subprocess
import sys

from .paths import PUBLISH_TOOL


def md5_text(data):
    return hashlib.md5(data).hexdigest()


def sample_bytes(tag, size):
    """Returns size bytes of a stand-in executable: "MZ", then bytes fixed by tag."""
    body = random.Random(tag).randbytes(max(0, size - 2))
    return (b"MZ" + body)[:size]


def write_files(folder, files):
    """Writes {name: bytes} below folder; names use "/" between folders."""
    for name, data in files.items():
        path = os.path.join(os.fsencode(folder), os.fsencode(name) if isinstance(name, str) else name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def publish(game_dir, out_dir, base_url, resinfo=None, extra=(), check=True):
    """Publishes game_dir into out_dir with korvan-publish; base_url is where
    out_dir is served, resinfo where the resource-information text goes (default
    OUT_DIR/1/resinfo-release130.txt). Returns the tool's standard output; with
    check=False the CompletedProcess, whatever its exit status."""
    if not os.path.exists(PUBLISH_TOOL):
        raise RuntimeError("korvan-publish is not built: " + PUBLISH_TOOL)
    args = [PUBLISH_TOOL, game_dir, out_dir, "--base-url", base_url, *extra]
    if resinfo is not None:
        args += ["--resinfo", resinfo]
    done = subprocess.run(args, capture_output=True)
    if not check:
        return done
    if done.returncode != 0:
        raise RuntimeError("korvan-publish failed (%d): %s" % (done.returncode, done.stderr.decode(errors="replace")))
    return done.stdout.decode(errors="replace")


def named_release(out_dir, resinfo=None):
    """Returns (base URL, release folder) that the resource-information text names."""
    path = resinfo or os.path.join(out_dir, "1", "resinfo-release130.txt")
    with open(path, "rb") as f:
        base = f.read()[len(b"BASEURL="):].decode()
    return base, os.path.join(out_dir, "releases", base.rstrip("/").rsplit("/", 1)[1])


def read_list(out_dir):
    """Returns md5.txt as {name bytes: md5 bytes}."""
    with open(os.path.join(out_dir, "md5.txt"), "rb") as f:
        text = f.read()
    out = {}
    for item in text.split(b"&"):
        if item:
            name, _, md5 = item.partition(b"=")
            out[name] = md5
    return out


def sign_release(out_dir, number, key):
    """Writes SHA256SUMS for the release in out_dir ("# korvan release <number>",
    then md5.txt and every .gz archive below out_dir) and signs it with
    openssl and the private key file key into SHA256SUMS.sig."""
    names = []
    for folder, _, files in os.walk(os.fsencode(out_dir)):
        for f in files:
            if f.endswith(b".gz"):
                names.append(os.path.relpath(os.path.join(folder, f), os.fsencode(out_dir)))
    text = b"# korvan release %d\n" % number
    for name in [b"md5.txt"] + sorted(names):
        with open(os.path.join(os.fsencode(out_dir), name), "rb") as f:
            text += hashlib.sha256(f.read()).hexdigest().encode() + b"  " + name + b"\n"
    # Made beside and renamed into place, so that a launcher never reads a half-written file.
    sums = os.path.join(out_dir, "SHA256SUMS")
    with open(sums + ".new", "wb") as f:
        f.write(text)
    subprocess.run(["openssl", "dgst", "-sha256", "-sign", key, "-out", sums + ".sig.new", sums + ".new"],
                   check=True, capture_output=True)
    os.replace(sums + ".new", sums)
    os.replace(sums + ".sig.new", sums + ".sig")


if __name__ == "__main__":
    if len(sys.argv) != 5 or sys.argv[1] != "sign":
        sys.exit("usage: python3 -m stage.release sign OUT_DIR NUMBER KEY.pem")
    sign_release(sys.argv[2], int(sys.argv[3]), sys.argv[4])
