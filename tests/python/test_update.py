# varn.update_data against a local server (127.0.0.1 only): after every answer, good or bad,
# the data folder holds the good file or the previous one, whole, with its record.
import hashlib
import json
import os
import shutil
import subprocess
import warnings
import sys

import numpy as np
import pytest

import varn
from varn import _data

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
import update_server  # noqa: E402

DATA = update_server.DATA
FINALS_NEW, FINALS_OLD = "finals2000A_2016-07.txt", "finals2000A_2015-01.txt"


@pytest.fixture
def server(monkeypatch, tmp_path):
    for name in ("VARN_FINALS_URLS", "VARN_LEAP_URLS", "VARN_LEAP_SECONDS"):
        monkeypatch.delenv(name, raising=False)
    monkeypatch.setenv("NO_PROXY", "127.0.0.1")
    monkeypatch.setenv("VARN_DATA_DIR", str(tmp_path / "data"))
    s = update_server.start()
    yield lambda route, name: f"http://127.0.0.1:{s.server_address[1]}/{route}/{name}"
    s.shutdown()


def folder_state(folder):
    """{name: bytes} of the folder, after checking that each record describes its file."""
    files = {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder))}
    for name, body in files.items():
        if not name.endswith(".json"):
            record = json.loads(files[name + ".json"])
            assert record["sha256"] == hashlib.sha256(body).hexdigest() and record["file"] == name
    return files


def source(name):
    return open(os.path.join(DATA, name), "rb").read()


def test_update_keeps_a_good_file_whatever_the_server_sends(server):
    folder = _data.data_folder()
    # (finals URLs, leap URLs, force, want statuses (leap, finals), texts the messages must hold,
    #  the files then in place: finals source, leap name and source)
    steps = [
        ([server("nothing", FINALS_OLD), server("data", FINALS_OLD)],
         [server("html", "Leap_Second.dat"), server("data", "Leap_Second.dat")], False,
         ("updated", "updated"), ["HTTP error 404", "2015-01-26 to 2015-03-26"],
         (FINALS_OLD, "Leap_Second.dat", "Leap_Second.dat")),
        (server("data", FINALS_NEW), server("data", "leap-seconds.list"), False,
         ("up to date", "up to date"), ["fetched 0.0 hours ago"],
         (FINALS_OLD, "Leap_Second.dat", "Leap_Second.dat")),
        ([server(r, FINALS_NEW) for r in ("cut", "short", "slow", "html", "leap1s")],
         server("data", "leap-seconds.list"), True, ("updated", "failed"),
         ["its last line is cut off", "truncated file: 1974 of 3948 bytes", "within the timeout of 1 s",
          "/html/finals2000A_2016-07.txt gave an HTML page", "leap1s/finals2000A_2016-07.txt gave a file "
          "that disagrees with the leap-second table: EOP file '", "the file in place kept"],
         (FINALS_OLD, "leap-seconds.list", "leap-seconds.list")),
        (server("data", FINALS_NEW), server("data", "Leap_Second_hypothetical_2027.dat"), True,
         ("updated", "updated"), ["data 1972-01-01 to 2027-12-28", "data 2016-07-09 to 2016-07-29"],
         (FINALS_NEW, "Leap_Second.dat", "Leap_Second_hypothetical_2027.dat")),
        (server("data", FINALS_OLD), [server("data", "leap-seconds.list"), server("data", "eopc04_14_2016-12.txt")],
         True, ("failed", "failed"), ["without steps of the file in place (28 steps where it has 29)",
                                      "no valid leap-second file", "older file: its data end on 2015-03-26"],
         (FINALS_NEW, "Leap_Second.dat", "Leap_Second_hypothetical_2027.dat")),
    ]
    before = {}
    for k, (finals, leap, force, want, texts, (finals_src, leap_name, leap_src)) in enumerate(steps):
        results = varn.update_data(finals, leap, force=force, timeout=1)
        message = " | ".join(r.message for r in results)
        assert tuple(r.status for r in results) == want, (k, message)
        for text in texts:
            assert text in message, (k, text, message)
        files = folder_state(folder)
        assert sorted(files) == sorted(["finals2000A.all", "finals2000A.all.json", leap_name, leap_name + ".json"]), k
        assert files["finals2000A.all"] == source(finals_src) and files[leap_name] == source(leap_src), k
        assert results[1].path == os.path.join(folder, "finals2000A.all") and results[1].span[0] > 57000, k
        assert json.loads(files["finals2000A.all.json"])["url"] == results[1].url, k
        for r in results:  # a file not updated keeps its bytes and its record's
            name = os.path.basename(r.path)
            assert r.status == "updated" or (files[name], files[name + ".json"]) == before[name], (k, name)
        before = {n: (files[n], files.get(n + ".json")) for n in files}


def test_two_updaters_at_once_and_the_command_line(server):
    env = dict(os.environ, VARN_FINALS_URLS=server("data", FINALS_NEW),
               VARN_LEAP_URLS=server("nothing", "x") + " " + server("data", "leap-seconds.list"))
    command = [sys.executable, "-m", "varn", "update", "--force", "--timeout", "5"]
    runs = [subprocess.Popen(command, env=env, stdout=subprocess.PIPE, text=True) for _ in range(2)]
    for run in runs:
        out = run.communicate(timeout=60)[0]
        assert run.returncode == 0 and out.count("updated from") == 2, out
    files = folder_state(_data.data_folder())
    assert files["finals2000A.all"] == source(FINALS_NEW) and len(files) == 4
    env["VARN_FINALS_URLS"] = server("nothing", "finals")
    failed = subprocess.run(command[:-2], env=env, capture_output=True, text=True, timeout=60)
    assert failed.returncode == 1 and "HTTP error 404" in failed.stdout
    after = folder_state(_data.data_folder())
    assert all(after[n] == files[n] for n in ("finals2000A.all", "finals2000A.all.json"))


@pytest.mark.parametrize("finals, leap, kw, error", [
    (3, None, {}, TypeError), ([], None, {}, ValueError), (None, [""], {}, ValueError),
    (None, None, {"timeout": 0}, ValueError), (None, None, {"timeout": float("nan")}, ValueError),
    (None, None, {"force": 1}, TypeError)])
def test_bad_arguments_touch_nothing(server, finals, leap, kw, error):
    with pytest.raises(error):
        varn.update_data(finals, leap, **kw)
    assert not os.path.exists(_data.data_folder())


@pytest.mark.skipif(sys.platform in ("win32", "darwin"), reason="the Linux rule")
@pytest.mark.parametrize("env, want", [
    ({"VARN_DATA_DIR": "/x/d"}, "/x/d"), ({"XDG_CACHE_HOME": "/c"}, "/c/varn"),
    ({"XDG_CACHE_HOME": "rel"}, "/h/.cache/varn"), ({}, "/h/.cache/varn")])
def test_data_folder_rule(monkeypatch, env, want):
    for name in ("VARN_DATA_DIR", "XDG_CACHE_HOME"):
        monkeypatch.delenv(name, raising=False)
    monkeypatch.setenv("HOME", "/h")
    for name, value in env.items():
        monkeypatch.setenv(name, value)
    assert _data.data_folder() == want


def test_reading_from_the_data_folder(server, monkeypatch):
    folder = _data.data_folder()
    with pytest.raises(FileNotFoundError, match=f"No finals2000A.all in the data folder {folder}: run varn.update_data"):
        varn.read_eop()
    urls = dict(finals=server("data", FINALS_NEW), force=True)
    varn.update_data(leap=server("data", "Leap_Second.dat"), **urls)
    assert varn.leap_seconds().source == "built-in"  # the folder's table knows no more
    varn.update_data(leap=server("data", "Leap_Second_hypothetical_2027.dat"), **urls)
    leap = varn.leap_seconds()
    assert leap.source == os.path.join(folder, "Leap_Second.dat") and leap.expires == (2027, 12, 28)
    other = os.path.join(folder, "leap-seconds.list")  # both files: the one fetched last is in force
    shutil.copy(os.path.join(DATA, "Leap_Second_hypothetical_2027.dat"), other)
    fetched = json.loads(open(leap.source + ".json").read())["fetched_unix"]
    for later in (1, -1):
        open(other + ".json", "w").write(json.dumps({"fetched_unix": fetched + later}))
        assert (varn.leap_seconds().source == other) == (later > 0)
    monkeypatch.setenv("VARN_LEAP_SECONDS", os.path.join(DATA, "leap-seconds.list"))
    assert varn.leap_seconds().source.endswith("leap-seconds.list")
    path = os.path.join(folder, "finals2000A.all")
    tt = [[57590.0, 0.0]]
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # fetched today: no warning
        eop = varn.read_eop()
    assert eop.filename == path
    np.testing.assert_equal(eop.interpolate(tt), varn.read_eop(path).interpolate(tt))
    record = json.loads(open(path + ".json").read())
    record["fetched_unix"] -= 40 * 86400 + 100
    open(path + ".json", "w").write(json.dumps(record))
    with pytest.warns(varn.StaleDataWarning, match=f"{path} was fetched 40 days ago .*varn.update_data()") as caught:
        varn.read_eop()
    assert len(caught) == 1
