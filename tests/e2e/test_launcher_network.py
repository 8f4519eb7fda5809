"""Redirect chains, a list server that is down and comes back, retries every 10 s,
closing during a retry pause."""
import time

import pytest

from harness import expect
from harness import fault_server as fs
from harness.polling import wait_until
from harness.release import read_published, sample_bytes


def test_redirect_chain_of_nine_is_followed(scenario):
    files = {"a.exe": sample_bytes("chain-a", 70000), "b.dll": sample_bytes("chain-b", 1000)}
    scenario.publish("chain", files, base_url=scenario.web.url("/chain9/h0/"))
    folder = scenario.game_folder()
    run = scenario.start(folder)
    wait_until(folder.record, 60, "the game to start")
    for name, data in files.items():
        assert folder.read(name) == data
    paths = scenario.web_paths()
    release = scenario.base_url[len(scenario.web.url("/chain9/h0/")):]
    for target in (release + name for name in ("md5.txt", "a.exe.gz", "b.dll.gz")):
        assert [p for p in paths if p.endswith("/" + target)] == (
            ["/chain9/h%d/%s" % (k, target) for k in range(9)] + ["/r/chain/" + target])
    assert run.close()
    assert run.wait(30) == 0


@pytest.mark.parametrize("base, per_attempt", [("/chain10/h0/", 10), ("/relative/chain/", 1)],
                         ids=["ten redirects", "relative location"])
def test_list_not_reached_retries_and_close_during_the_pause(scenario, base, per_attempt):
    """Ten redirects in a row, or a relative Location, fail the list download
    without an eleventh request; closing the window during the pause ends the
    wait at once, one more attempt is made, and the launcher ends with 0."""
    scenario.publish("chain", {"a.exe": sample_bytes("chain-a", 70000)}, base_url=scenario.web.url(base))
    folder = scenario.game_folder()
    run = scenario.start(folder)

    def attempts():
        return [p for p in scenario.web_paths() if p.startswith(base.split("/h0")[0]) or p.startswith("/r/chain/")]
    wait_until(lambda: len(attempts()) >= per_attempt, 60, "the first attempt")
    run.wait_window()
    first = list(attempts())
    assert not any(p.startswith("/r/chain/") for p in first)
    assert len(first) == per_attempt

    closed = time.monotonic()
    assert run.close()
    assert run.wait(30) == 0
    assert time.monotonic() - closed < 8, "the pause did not end when the window closed"
    assert len(attempts()) == 2 * per_attempt
    assert folder.record() is None and not folder.exists("a.exe")
    assert scenario.log.messages() == expect.start_lines() + [
        b"BASEURL=" + scenario.base_url.encode() + b"\r\n", b"EXIT LAUNCHER\r\n"]


def test_list_server_down_then_up(scenario, fault_server):
    """Refused connections are logged and retried every 10 s; a file download
    with a lying Content-Length is retried the same way; a 4,095-byte head is
    accepted."""
    server = fault_server(files_dir=scenario.release_dir("later"))
    data = sample_bytes("later", 100000)
    out = scenario.publish("later", {"a.exe": data}, base_url=server.url("/"))
    listing, archive = read_published(out, "md5.txt"), read_published(out, "a.exe.gz")
    server.route(scenario.url_path("md5.txt"), fs.raw(fs.head_of_size(4095, length=len(listing)) + listing))
    server.route(scenario.url_path("a.exe.gz"), fs.in_turn(fs.lying_length(archive, len(archive) - 1000), then=fs.respond(archive)))
    server.refuse()

    folder = scenario.game_folder()
    run = scenario.start(folder)
    refused = b"connect error=%d\r\n" % expect.WSAECONNREFUSED
    scenario.log.wait_for_message(refused, 60)
    failed_at = [t for t, d in scenario.log.timed() if d == refused + b"\0"][0]
    server.resume()

    wait_until(folder.record, 60, "the game to start")
    assert folder.read("a.exe") == data
    list_at = server.requests_for(scenario.url_path("md5.txt"))[0].time
    assert 9.0 <= list_at - failed_at <= 13.0
    tries = [r.time for r in server.requests_for(scenario.url_path("a.exe.gz"))]
    assert len(tries) == 2 and 9.5 <= tries[1] - tries[0] <= 13.0
    assert run.close()
    assert run.wait(30) == 0
    assert scenario.log.messages() == (
        expect.start_lines() + [b"BASEURL=" + scenario.base_url.encode() + b"\r\n", refused] +
        expect.download_lines("a.exe") + [b"EXIT LAUNCHER\r\n"])


def test_a_bad_head_and_a_stalled_body_are_retried(scenario, fault_server):
    """A list whose head needs a 4,096th byte fails at once and is fetched again
    10 s later; an archive whose body stalls fails after the 10-second receive
    time-out and is fetched again 10 s after that."""
    server = fault_server(files_dir=scenario.release_dir("stall"))
    data = sample_bytes("stall", 200000)
    out = scenario.publish("stall", {"a.exe": data}, base_url=server.url("/"))
    listing, archive = read_published(out, "md5.txt"), read_published(out, "a.exe.gz")
    server.route(scenario.url_path("md5.txt"), fs.in_turn(fs.raw(fs.head_of_size(4096, length=len(listing)) + listing),
                                        then=fs.respond(listing)))
    server.route(scenario.url_path("a.exe.gz"), fs.in_turn(fs.stall(60, before=fs.ok_head(len(archive)) + archive[:50000]),
                                         then=fs.respond(archive)))

    folder = scenario.game_folder()
    run = scenario.start(folder)
    wait_until(folder.record, 90, "the game to start")
    assert folder.read("a.exe") == data
    lists_at = [r.time for r in server.requests_for(scenario.url_path("md5.txt"))]
    assert len(lists_at) == 2 and 9.5 <= lists_at[1] - lists_at[0] <= 13.0
    tries = [r.time for r in server.requests_for(scenario.url_path("a.exe.gz"))]
    assert len(tries) == 2 and 19.5 <= tries[1] - tries[0] <= 24.0
    assert run.close()
    assert run.wait(30) == 0
    assert scenario.log.messages() == (
        expect.start_lines() + [b"BASEURL=" + scenario.base_url.encode() + b"\r\n"] +
        expect.download_lines("a.exe") + [b"EXIT LAUNCHER\r\n"])


def test_close_during_an_endless_download(scenario, fault_server):
    """A body without length that never ends: the file bar's range is 0 to 0;
    closing the window aborts the download at its next block."""
    server = fault_server(files_dir=scenario.release_dir("endless"))
    scenario.publish("endless", {"a.exe": sample_bytes("endless", 1000)}, base_url=server.url("/"))
    server.route(scenario.url_path("a.exe.gz"), fs.endless(b"\x1f" * 8192))
    folder = scenario.game_folder({"a.exe": b"old"})
    run = scenario.start(folder)
    run.wait_bar(3002, visible=True, timeout=60)
    # The bar is shown before its range arrives, as a message of its own.
    wait_until(lambda: (run.window() or {"bars": [{}, {}]})["bars"][1].get("range") == [0, 0], 15, "range 0 to 0")
    closed = time.monotonic()
    assert run.close()
    assert run.wait(30) == 0
    assert time.monotonic() - closed < 8
    assert folder.read("a.exe") == b"old" and folder.record() is None
    assert scenario.log.messages() == (
        expect.start_lines() + [b"BASEURL=" + scenario.base_url.encode() + b"\r\n"] +
        expect.download_lines("a.exe") + [b"EXIT LAUNCHER\r\n"])
