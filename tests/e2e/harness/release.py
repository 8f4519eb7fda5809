"""Releases made by hand for the tests: lists, archives and resource-information
texts written directly, and signed statements (SHA256SUMS and its .sig) made
with openssl. Releases published with korvan-publish come from stage.release.
Run as a program, it signs a release folder the same way (cmake/tests.cmake):
    python3 -m harness.release sign OUT_DIR NUMBER KEY.pem"""
import gzip
import hashlib
import os
import subprocess
import sys

from stage.keys import make_key  # noqa: F401
from stage.release import md5_text, named_release, publish, read_list, sample_bytes, write_files  # noqa: F401


def gzip_bytes(data):
    """gzip with no time stamp or name, so equal input gives equal archives."""
    return gzip.compress(data, compresslevel=9, mtime=0)


def write_list(out_dir, entries):
    """Writes md5.txt by hand: entries is a list of (name bytes, md5 text bytes),
    joined as the launcher reads them ("name=md5&..."), in the order given."""
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "md5.txt"), "wb") as f:
        f.write(b"&".join(n + b"=" + m for n, m in entries))


def write_archive(out_dir, name, data, compress=True):
    """Puts "<name>.gz" into out_dir (name as bytes, "/" between folders)."""
    path = os.path.join(os.fsencode(out_dir), name + b".gz")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(gzip_bytes(data) if compress else data)


def write_resinfo(path, text):
    """Writes the resource-information text (bytes, exactly)."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text)


def read_published(out_dir, name):
    """Returns the bytes of a published file ("md5.txt", "a.exe.gz", ...)."""
    with open(os.path.join(out_dir, name), "rb") as f:
        return f.read()


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


def change_one_byte(path, offset):
    """Flips the low bit of the byte at offset (negative: from the end) of the file at path."""
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        data[offset] ^= 1
        f.seek(0)
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 5 or sys.argv[1] != "sign":
        sys.exit("usage: python3 -m harness.release sign OUT_DIR NUMBER KEY.pem")
    sign_release(sys.argv[2], int(sys.argv[3]), sys.argv[4])
