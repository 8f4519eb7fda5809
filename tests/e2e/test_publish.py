"""korvan-publish end to end: a generated game folder is published and the
result is checked with Python's own gzip and hashlib."""
import gzip
import hashlib
import os
import random
import shutil
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
BASE_URL = "http://files.example.com/korvan/130/"


def publish_binary():
    candidates = []
    if os.environ.get("KORVAN_BINARY_DIR"):
        candidates.append(Path(os.environ["KORVAN_BINARY_DIR"]) / ".." / "native" / "publish" / "korvan-publish")
    candidates.append(REPO / "build" / "native" / "publish" / "korvan-publish")
    for candidate in candidates:
        if candidate.is_file():
            return candidate.resolve()
    pytest.fail("korvan-publish is not built (looked at %s)" % ", ".join(map(str, candidates)))


def run(*args):
    return subprocess.run([str(publish_binary()), *map(os.fsencode, args)],
                          capture_output=True, timeout=120)


def publish(game, out, *extra):
    return run(game, out, "--base-url", BASE_URL, *extra)


def cp932(name):
    return name.encode("cp932")


# Game files, by name as the launcher lists them; the other files must stay out.
GAME_FILES = ["korvan.exe", "Launcher.EXE", "Z.exe", "a.exe", "d3dx.DLL", "empty.dll",
              "sub/deep/Engine.dll", "sub/tool.Exe", "日本語/ゲーム.exe", "ソフト.dll", ".exe"]
OTHER_FILES = ["readme.txt", "sub/readme.txt", "data/x.dat", "dll", "dir.exe/inner.txt",
               "korvan.exe.bak", "😀.txt"]


def make_game(root, names=GAME_FILES + OTHER_FILES, seed=1):
    rng = random.Random(seed)
    for i, name in enumerate(names):
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        size = {"empty.dll": 0, "korvan.exe": 300000}.get(name, rng.choice([1, 1000, 70000]))
        # Repetitive content, so that the archives are really smaller.
        path.write_bytes(bytes(rng.randrange(8) + i for _ in range(size)))
    return root


def parse_list(text):
    return [tuple(item.split(b"=", 1)) for item in text.split(b"&")]


def snapshot(folder):
    """Every file below folder with its bytes and modification time."""
    if not folder.exists():
        return None
    return {p.relative_to(folder): (p.read_bytes(), p.stat().st_mtime_ns)
            for p in folder.rglob("*") if p.is_file()}


@pytest.fixture
def game(tmp_path):
    return make_game(tmp_path / "game")


def test_publishes_exactly_the_game_files(game, tmp_path):
    out = tmp_path / "out"
    result = publish(game, out)
    assert result.returncode == 0, result.stderr

    text = (out / "md5.txt").read_bytes()
    assert not text.endswith((b"&", b"\n", b"\r"))
    pairs = parse_list(text)
    names = [name for name, _ in pairs]
    assert names == sorted(cp932(n) for n in GAME_FILES)   # byte order: capitals first
    for name, md5 in pairs:
        original = (game / name.decode("cp932")).read_bytes()
        assert md5 == hashlib.md5(original).hexdigest().encode()
        archive = (out / os.fsdecode(name + b".gz")).read_bytes()
        assert gzip.decompress(archive) == original
        # gzip header: no file name flag, no time stamp.
        assert archive[:3] == b"\x1f\x8b\x08" and archive[3] == 0 and archive[4:8] == b"\0\0\0\0"
    assert not any(p.name.endswith(".part") for p in out.rglob("*"))
    assert (out / "1" / "resinfo-release130.txt").read_bytes() == b"BASEURL=" + BASE_URL.encode()
    assert b"re-compressed" in result.stdout and b"%d files" % len(GAME_FILES) in result.stdout


def test_custom_resinfo_path(game, tmp_path):
    resinfo = tmp_path / "www" / "1" / "resinfo-release130.txt"
    assert publish(game, tmp_path / "out", "--resinfo", resinfo).returncode == 0
    assert resinfo.read_bytes() == b"BASEURL=" + BASE_URL.encode()
    assert not (tmp_path / "out" / "1").exists()


def test_publishing_twice_gives_identical_output(game, tmp_path):
    first, second = tmp_path / "first", tmp_path / "second"
    assert publish(game, first).returncode == 0
    assert publish(game, second).returncode == 0
    contents = lambda d: {k: v[0] for k, v in snapshot(d).items()}
    assert contents(first) == contents(second)

    before = snapshot(first)
    again = publish(game, first)
    assert again.returncode == 0
    assert b"0 re-compressed" in again.stdout
    after = snapshot(first)
    assert {k: v[0] for k, v in after.items()} == {k: v[0] for k, v in before.items()}
    archives = [k for k in before if k.suffix == ".gz"]
    assert archives and all(after[k][1] == before[k][1] for k in archives)


@pytest.mark.parametrize("url, message", [
    ("https://files.example.com/", "http://"),
    ("HTTP://files.example.com/", "http://"),
    ("http://files.example.com/korvan", 'end with "/"'),
    ("http://files.example.com/a b/", "white space"),
    ("http://files.example.com/\t", "white space"),
    ("http://files.example.com/\r\n", "white space"),
    ("http://files.example.com/\x01/", "control"),
    ("http:///", "host"),
    ("http://files.example.com:99999/", "port"),
    ("http://user@files.example.com/", "user"),
    ("http://files.example.com/#/", '"#"'),
    ("http://files.example.com/ü/", "ASCII"),
])
def test_refuses_bad_base_url(game, tmp_path, url, message):
    out = tmp_path / "out"
    result = run(game, out, "--base-url", url)
    assert result.returncode != 0
    assert b"base URL" in result.stderr and message.encode() in result.stderr
    assert not out.exists()


@pytest.mark.parametrize("names, offender, message", [
    (["a&b.exe"], "a&b.exe", '"&"'),
    (["x/a=b.dll"], "x/a=b.dll", '"="'),
    (["a:b.exe"], "a:b.exe", '":"'),
    (["a b.exe"], "a b.exe", "space"),
    (["a\\b.exe"], "a\\b.exe", "separator"),
    (["tab\there.exe"], "tab\\x09here.exe", "control"),
    (["nul.dll"], "nul.dll", "device"),
    (["dir./a.exe"], "dir./a.exe", "Windows drops"),
    (["😀.exe"], "😀.exe", "code page 932"),
    (["x" * 245 + ".exe"], "x" * 245 + ".exe", "too long"),
    (["Game.exe", "sub/x.dll", "GAME.EXE"], "GAME.EXE", "letter case"),
    (["Ｇame.exe", "ｇame.exe"], "ｇame.exe", "letter case"),
    (["a.exe", "A.EXE/b.dll"], "A.EXE/b.dll", "folder"),
    (["x.exe", "x.exe.gz/y.dll"], "x.exe.gz/y.dll", "folder"),
    (["Ж.exe", "ж.exe"], "ж.exe", "letter case"),          # Cyrillic, first half
    (["Я.dll", "я.dll"], "я.dll", "letter case"),          # Cyrillic, after the 0x7F gap
    (["Ω.exe", "ω.exe"], "ω.exe", "letter case"),
    (["Ⅳ.exe", "ⅳ.exe"], "ⅳ.exe", "letter case"),
])
def test_refuses_names_and_leaves_output_untouched(tmp_path, names, offender, message):
    game = make_game(tmp_path / "game", ["ok.exe", "readme.txt"])
    out = tmp_path / "out"
    assert publish(game, out).returncode == 0
    before = snapshot(out)
    for name in names:
        (game / name).parent.mkdir(parents=True, exist_ok=True)
        (game / name).write_bytes(b"MZ" + name.encode())

    result = publish(game, out)
    assert result.returncode != 0
    assert offender.encode() in result.stderr and message.encode() in result.stderr
    assert b"nothing was written" in result.stderr
    assert snapshot(out) == before


def test_non_game_files_may_carry_any_name(tmp_path):
    game = make_game(tmp_path / "game", ["ok.exe", "a&b.txt", "😀.txt", "con.txt", "x y/readme"])
    result = publish(game, tmp_path / "out")
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "out" / "md5.txt").read_bytes().startswith(b"ok.exe=")


def test_file_names_that_are_not_utf8(tmp_path):
    game = make_game(tmp_path / "game", ["ok.exe"])
    (game / os.fsdecode(b"notes\xff.txt")).write_bytes(b"ignored")
    assert publish(game, tmp_path / "out").returncode == 0
    (game / os.fsdecode(b"bad\xff.exe")).write_bytes(b"MZ")
    result = publish(game, tmp_path / "out2")
    assert result.returncode != 0 and b"bad\xff.exe" in result.stderr
    assert not (tmp_path / "out2").exists()


def test_refuses_a_game_folder_without_game_files(tmp_path):
    game = make_game(tmp_path / "game", ["readme.txt", "dir.exe/inner.txt"])
    result = publish(game, tmp_path / "out")
    assert result.returncode != 0 and b"no .exe or .dll" in result.stderr
    assert not (tmp_path / "out").exists()
    assert publish(tmp_path / "missing", tmp_path / "out").returncode != 0


def test_reports_every_refusal_at_once(tmp_path):
    game = make_game(tmp_path / "game", ["a&b.exe", "c=d.dll"])
    result = run(game, tmp_path / "out", "--base-url", "ftp://x")
    assert result.returncode != 0
    for text in [b"a&b.exe", b"c=d.dll", b"ftp://x"]:
        assert text in result.stderr


def test_update_recompresses_only_changed_files_and_removes_stale(game, tmp_path):
    out = tmp_path / "out"
    assert publish(game, out).returncode == 0
    before = snapshot(out)

    (game / "a.exe").write_bytes(b"new contents of a")             # changed
    (game / "sub" / "deep" / "Engine.dll").unlink()                # gone, its folder empties
    (game / "Z.exe").unlink()                                      # gone
    (game / "new.dll").write_bytes(b"a new library")               # added
    damaged = out / "korvan.exe.gz"                                # same MD5, archive broken
    damaged.write_bytes(damaged.read_bytes()[:100])

    result = publish(game, out)
    assert result.returncode == 0, result.stderr
    assert b"3 re-compressed" in result.stdout and b"2 archives removed" in result.stdout
    after = snapshot(out)
    assert not (out / "Z.exe.gz").exists() and not (out / "sub" / "deep").exists()
    assert (out / "sub" / "tool.Exe.gz").exists()
    for name in ["a.exe", "new.dll", "korvan.exe"]:
        assert gzip.decompress((out / (name + ".gz")).read_bytes()) == (game / name).read_bytes()
    untouched = [k for k in before if k.suffix == ".gz" and str(k) not in
                 ("a.exe.gz", "korvan.exe.gz", "Z.exe.gz", "sub/deep/Engine.dll.gz")]
    assert untouched and all(after[k] == before[k] for k in untouched)
    names = [n for n, _ in parse_list((out / "md5.txt").read_bytes())]
    assert b"new.dll" in names and b"Z.exe" not in names and names == sorted(names)


def test_stale_entries_never_reach_outside_the_output_folder(tmp_path):
    game = make_game(tmp_path / "game", ["ok.exe"])
    out = tmp_path / "out"
    out.mkdir()
    victim = tmp_path / "victim.exe.gz"
    victim.write_bytes(b"not ours")
    (out / "md5.txt").write_bytes(b"../victim.exe=" + b"0" * 32 + b"&ok.exe=" + b"0" * 32)
    result = publish(game, out)
    assert result.returncode == 0, result.stderr
    assert victim.read_bytes() == b"not ours"
    assert (out / "md5.txt").read_bytes().startswith(b"ok.exe=")


def test_progress_and_summary(game, tmp_path):
    result = publish(game, tmp_path / "out")
    n = len(GAME_FILES)
    assert b"compressing: %d/%d files" % (n, n) in result.stderr
    total = sum((game / name).stat().st_size for name in GAME_FILES)
    out_bytes = sum(p.stat().st_size for p in (tmp_path / "out").rglob("*.gz"))
    assert b"%d bytes in, %d bytes out, %d re-compressed" % (total, out_bytes, n) in result.stdout


def test_verify_accepts_a_fresh_publication(game, tmp_path):
    out = tmp_path / "out"
    assert publish(game, out).returncode == 0
    result = run("verify", out)
    assert result.returncode == 0, result.stderr
    assert b"0 problems" in result.stdout


def test_verify_reports_every_problem(game, tmp_path):
    out = tmp_path / "out"
    assert publish(game, out).returncode == 0
    korvan = out / "korvan.exe.gz"
    korvan.write_bytes(korvan.read_bytes()[:len(korvan.read_bytes()) // 2])   # truncated
    (out / "sub" / "tool.Exe.gz").unlink()                         # missing
    text = (out / "md5.txt").read_bytes()
    md5 = dict(parse_list(text))[b"a.exe"]
    (out / "md5.txt").write_bytes(text.replace(b"a.exe=" + md5, b"a.exe=" + b"0" * 32))   # wrong MD5

    result = run("verify", out)
    assert result.returncode != 0
    err = result.stderr
    assert b"korvan.exe.gz" in err and b"unpack" in err
    assert b"tool.Exe.gz" in err and b"missing" in err
    assert b"a.exe.gz" in err and b"0" * 32 in err
    assert b"3 problems" in result.stdout


@pytest.mark.parametrize("text, message", [
    (b"../evil.exe=d41d8cd98f00b204e9800998ecf8427e", b".."),
    (b"empty.dll=D41D8CD98F00B204E9800998ECF8427E", b"lower-case"),
    (b"empty.dll=d41d8cd98f00b204e9800998ecf8427e\r\n", b"lower-case"),
    (b"readme.txt=d41d8cd98f00b204e9800998ecf8427e", b"not an .exe or .dll"),
])
def test_verify_reports_list_entries_the_launcher_would_mishandle(tmp_path, text, message):
    out = tmp_path / "out"
    out.mkdir()
    (out / "empty.dll.gz").write_bytes(gzip.compress(b"", mtime=0))
    (out / "md5.txt").write_bytes(text)
    result = run("verify", out)
    assert result.returncode != 0 and message in result.stderr


def test_verify_checks_the_resource_information(game, tmp_path):
    out = tmp_path / "out"
    assert publish(game, out).returncode == 0
    (out / "1" / "resinfo-release130.txt").write_bytes(b"BASEURL=" + BASE_URL.encode() + b"\r\n")
    result = run("verify", out)
    assert result.returncode != 0 and b"resinfo-release130.txt" in result.stderr


def test_verify_takes_an_uncompressed_archive_like_the_launcher(tmp_path):
    # zlib's gzip reader passes a file without gzip header through unchanged.
    out = tmp_path / "out"
    out.mkdir()
    (out / "raw.exe.gz").write_bytes(b"plain bytes")
    (out / "md5.txt").write_bytes(b"raw.exe=" + hashlib.md5(b"plain bytes").hexdigest().encode())
    assert run("verify", out).returncode == 0


def test_verify_without_list_fails(tmp_path):
    result = run("verify", tmp_path)
    assert result.returncode != 0 and b"md5.txt" in result.stderr


def test_usage_errors(game, tmp_path):
    assert run(game, tmp_path / "out").returncode == 2                        # no --base-url
    assert run(game, "--base-url", BASE_URL).returncode == 2                  # no OUT_DIR
    assert run("verify").returncode == 2
    assert not (tmp_path / "out").exists()
