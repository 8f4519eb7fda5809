"""Releases made by hand for the tests: lists, archives and resource-information
texts written directly. Releases published with korvan-publish, and statements
signed with openssl, come from stage.release."""
import gzip
import os

from stage.keys import make_key  # noqa: F401
from stage.release import (md5_text, named_release, publish, read_list, sample_bytes, sign_release,  # noqa: F401
                           write_files)


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


def change_one_byte(path, offset):
    """Flips the low bit of the byte at offset (negative: from the end) of the file at path."""
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        data[offset] ^= 1
        f.seek(0)
        f.write(data)
