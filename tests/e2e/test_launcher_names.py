"""Listed names that try to leave the working directory, or that hold a NUL
byte, are refused."""
import os

import pytest

from harness import expect
from harness.dll import build_marker_dll
from harness.release import md5_text, write_archive, write_list


@pytest.mark.parametrize("name", [b"../outside.exe", b"..\\outside.dll", b"sub/../../outside.exe",
                                  b"/outside.exe", b"C:outside.exe", b"evil.bat\0x.exe"])
def test_names_leaving_the_working_directory(scenario, tmp_path, name):
    """"<name> invalid file name" in an error box owned by the window; nothing is
    fetched, loaded or written outside; the run stops without the game."""
    # A library the system could load where the name points.
    library = build_marker_dll(str(tmp_path / "outside.dll"))
    out = scenario.release_dir("names")
    # Cut at a NUL, the name would be "evil.bat", listed with the MD5 of its archive.
    shown = name.split(b"\0")[0]
    write_list(out, [(name, md5_text(b"x").encode()), (b"zz.exe", md5_text(b"y").encode())])
    if shown != name:
        write_archive(out, shown, b"x")
    scenario.set_resinfo(b"BASEURL=" + scenario.web.url("/r/names/").encode())
    folder = scenario.game_folder()
    run = scenario.start(folder)
    before = sorted(n for n in os.listdir(tmp_path) if not n.endswith(".spawn.txt"))

    box = run.wait_msgbox(timeout=60)
    assert box["text"] == shown + expect.INVALID_FILE_NAME
    assert box["caption"] == expect.LAUNCHER_TITLE
    assert box["owner"] == run.window()["hwnd"] and box["has_icon"]
    run.press(1)
    assert run.window()["visible"], "an error box left the launcher hidden"
    assert run.close()
    assert run.wait(30) == 0

    assert folder.dll_loads() == []
    with open(tmp_path / "outside.dll", "rb") as f:
        assert f.read() == library
    assert sorted(n for n in os.listdir(tmp_path) if not n.endswith(".spawn.txt")) == before
    for place in ("/outside.exe", os.path.join(scenario.desktop.drive_c, "outside.exe"),
                  os.path.join(tmp_path, "..", "outside.exe")):
        assert not os.path.exists(place), place
    assert not folder.exists("zz.exe") and not folder.exists("evil.bat") and folder.record() is None
    assert not any(p.endswith(".gz") for p in scenario.web_paths())
    assert scenario.log.messages() == expect.start_lines() + [
        b"BASEURL=" + scenario.web.url("/r/names/").encode() + b"\r\n", b"EXIT LAUNCHER\r\n"]
