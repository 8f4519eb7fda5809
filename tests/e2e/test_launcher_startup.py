"""Start-up: the base URL messages and the working directory."""
import os

import pytest

from harness import expect, paths
from harness.polling import wait_until
from harness.release import sample_bytes


@pytest.mark.parametrize("resinfo, text", [
    (None, expect.BASE_URL_DOWNLOAD_FAILED),
    (b"<html>Not here</html>\0hidden", b"<html>Not here</html>"),
    (b"BASEURL=https://localhost:47080/r/x/", expect.INVALID_BASEURL_HTTP),
], ids=["not found", "no key", "not http"])
def test_base_url_failures(scenario, resinfo, text):
    """A message box without owner, then the end with 0: no window, no list."""
    if resinfo is None:
        scenario.remove_resinfo()
    else:
        scenario.set_resinfo(resinfo)
    folder = scenario.game_folder()
    run = scenario.start(folder, b"a b")

    box = run.wait_msgbox(timeout=60)
    assert (box["caption"], box["text"]) == (expect.LAUNCHER_TITLE, text)
    assert box["owner"] == 0 and not box["has_icon"] and box["buttons"] == [1]
    assert run.window() is None
    run.press(1)
    assert run.wait(30) == 0

    assert scenario.log.messages() == expect.start_lines(b"a b")
    assert not any(p.endswith("md5.txt") for p in scenario.web_paths())
    assert folder.record() is None


@pytest.mark.parametrize("config", ["absent", "folder"])
def test_working_directory(scenario, config):
    """Without config.ini next to the launcher it works in
    LocalAppData\\R-FIG\\korvan\\130, created for it; a folder named config.ini
    counts as present. The blanks after the program name are not arguments."""
    data = sample_bytes("wd", 7000)
    scenario.publish("wd", {"a.exe": data})
    folder = scenario.game_folder(config_ini=False)
    if config == "folder":
        os.makedirs(folder.file("config.ini"))
    command_line = b'"' + paths.windows_path(folder.launcher).encode() + b'"   x  y'
    run = scenario.start(folder, command_line=command_line, cwd=scenario.root)

    line, cwd = wait_until(folder.record, 60, "the game to start")
    assert line == b'"korvan.exe" x  y'
    appdata = scenario.appdata_work_dir()
    if config == "absent":
        assert cwd == b"C:\\users\\root\\AppData\\Local\\R-FIG\\korvan\\130"
        with open(os.path.join(appdata, "a.exe"), "rb") as f:
            assert f.read() == data
        with open(os.path.join(appdata, "config.ini"), "rb") as f:
            assert b"LAUNCHER=" + paths.windows_path(folder.launcher).encode() in f.read()
        assert sorted(os.listdir(folder.path)) == ["korvan.exe", "launcher.exe"]
    else:
        assert cwd == paths.windows_path(folder.path).encode()
        assert folder.read("a.exe") == data
        assert not os.path.exists(os.path.join(scenario.desktop.local_app_data(), "R-FIG"))
    assert run.close()
    assert run.wait(30) == 0
    assert scenario.log.messages()[:2] == expect.start_lines(b"x  y")
    assert scenario.log.messages()[-1] == b"EXIT LAUNCHER\r\n"
