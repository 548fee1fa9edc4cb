# Time stamps, the leap-second table in force and its EOP check, and state
# vectors, through the Python package.
import os
import shutil
import subprocess
import sys
import warnings

import numpy as np
import pytest

import varn

DATA = os.path.join(os.path.dirname(__file__), "..", "data")
HYPOTHETICAL = os.path.join(DATA, "Leap_Second_hypothetical_2027.dat")  # +1 s 2027-07-01, to 2027-12-28
EOP_2027 = os.path.join(DATA, "eopc04_14_2027-07_hypothetical.txt")


def test_time_stamps_between_scales():
    # Published steps: TAI - UTC 36 s on 2016-12-31 (leap second at its end),
    # 37 s from 2017-01-01; GPS = TAI - 19 s, TT = TAI + 32.184 s (exact to 1e-9 s).
    utc = [[2016, 12, 31, 23, 59, 60.5], [2017, 1, 1, 0, 0, 1.0]]
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # all valid, none expired: no warning
        out, cal = varn.time(utc, "UTC", "TAI")
    np.testing.assert_allclose(out, [[57754, 36.5], [57754, 38.0]], rtol=0, atol=1e-9)
    np.testing.assert_allclose(cal[:, 3:], [[0, 0, 36.5], [0, 0, 38.0]], rtol=0, atol=1e-9)
    back, cal = varn.time(out, "tai", "utc")
    np.testing.assert_allclose(cal, utc, rtol=0, atol=1e-9)
    assert np.allclose(back, [[57753, 86400.5], [57754, 1.0]], rtol=0, atol=1e-9)
    np.testing.assert_allclose(varn.time([57754, 36.5], "TAI", "GPS").out, [[57754, 17.5]], atol=1e-9)
    np.testing.assert_allclose(varn.time([57754, -36.5], "TT", "TAI").out, [[57753, 86331.316]],
                               rtol=0, atol=1e-9)


def test_invalid_times_and_bad_arguments():
    with pytest.warns(varn.InvalidTimeWarning, match="1 of 2"):
        out, cal = varn.time([[2015, 7, 30, 23, 59, 60.5], [2015, 6, 30, 23, 59, 60.5]], "UTC", "TT")
    assert np.isnan(out[0]).all() and np.isnan(cal[0]).all() and np.isfinite(out[1]).all()
    for args, error in [(([1.0, 2.0, 3.0], "UTC", "TAI"), ValueError), (([1.0, 2.0], "UT1", "TAI"), ValueError),
                        (([1.0, 2.0], "UTC", 3), TypeError), ((["a", "b"], "UTC", "TAI"), TypeError),
                        ((np.float16([1.0, 2.0]), "UTC", "TAI"), TypeError)]:
        with pytest.raises(error):
            varn.time(*args)


def test_leap_second_file_in_force(monkeypatch, tmp_path):
    tt = np.array([[61586.0, -3600.0], [61587.0, 3600.0]])  # 2027-06-29 23h and 2027-07-01 01h TT
    builtin = varn.compute(tt, 0.0, 0.0, 0.0, 0.0, 0.0)
    assert varn.leap_seconds().source == "built-in" and varn.leap_seconds().expires == (2027, 6, 28)
    monkeypatch.setenv("VARN_LEAP_SECONDS", HYPOTHETICAL)
    table = varn.leap_seconds()
    assert table.source == table.steps_source == table.expiry_source == HYPOTHETICAL
    assert table.expires == (2027, 12, 28)
    np.testing.assert_array_equal(table.steps[-1], [2027, 7, 1, 38])
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # within the file's expiry: no warning
        newer = varn.compute(tt, 0.0, 0.0, 0.0, 0.0, 0.0)
    assert np.array_equal(newer.utc[0], builtin.utc[0]) and np.array_equal(newer.ut1[0], builtin.ut1[0])
    # One second apart after the step, to the resolution of an MJD held in one double (~1e-6 s).
    np.testing.assert_allclose(builtin.utc[1, 1] - newer.utc[1, 1], 1.0, rtol=0, atol=2e-6)
    np.testing.assert_allclose(builtin.ut1[1, 1] - newer.ut1[1, 1], 1.0, rtol=0, atol=2e-6)
    # File names need not be UTF-8: the table, its expiry warning and its refusal all the same.
    good, bad = (os.fsdecode(os.path.join(os.fsencode(tmp_path), name)) for name in (b"\xff", b"\xfe"))
    shutil.copy(HYPOTHETICAL, good)
    monkeypatch.setenv("VARN_LEAP_SECONDS", good)
    with pytest.warns(varn.LeapSecondsExpiredWarning, match="^1 of 1 epochs lie after 2027-12-28"):
        varn.compute([[61800.0, 0.0]], 0.0, 0.0, 0.0, 0.0, 0.0)
    assert varn.leap_seconds().source == good
    # A file that expires before the built-in table leaves its date in force, and says so.
    with open(good, "w") as f:
        f.write(open(os.path.join(DATA, "leap-seconds.list")).read().replace("#@\t4023129600", "#@\t3991593600"))
    assert varn.leap_seconds()[1:] == ((2027, 6, 28), 61584.0, good, good, "built-in")
    with open(bad, "w") as f:
        f.write(open(HYPOTHETICAL).read().replace("1 2017       37", "1 2017       36"))
    monkeypatch.setenv("VARN_LEAP_SECONDS", bad)
    with pytest.raises(varn.LeapSecondFileError) as raised:
        varn.compute(tt, 0.0, 0.0, 0.0, 0.0, 0.0)
    assert raised.value.filename == bad and raised.value.line > 0
    assert str(raised.value).startswith(f"Leap-second file '{bad}' (VARN_LEAP_SECONDS), line ")
    monkeypatch.delenv("VARN_LEAP_SECONDS")
    with pytest.warns(varn.LeapSecondsExpiredWarning, match="2 of 2 epochs lie after 2027-06-28"):
        varn.time(tt, "TT", "UTC")


def test_threads_read_the_table_while_the_environment_changes():
    # Four threads ask for the leap-second table while the main thread adds and removes
    # variables, for 4 s in a child process. os.environ calls setenv and unsetenv, which move
    # the C environment: read there with the GIL released, it killed the process (SIGSEGV).
    script = """if True:
        import os, threading, time, varn
        stop = time.monotonic() + 4.0
        def ask():
            while time.monotonic() < stop:
                varn.leap_seconds()
        threads = [threading.Thread(target=ask) for _ in range(4)]
        for t in threads:
            t.start()
        k = 0
        while time.monotonic() < stop:
            os.environ[f"VARN_TEST_{k}"] = "x"
            k += 1
            for j in range(k - 1000, k) if k % 1000 == 0 else ():
                del os.environ[f"VARN_TEST_{j}"]
        for t in threads:
            t.join()
    """
    assert subprocess.run([sys.executable, "-c", script], timeout=120).returncode == 0


def test_eop_file_checked_against_the_leap_second_table(monkeypatch):
    with pytest.raises(varn.LeapSecondMismatchError) as raised:
        varn.read_eop(EOP_2027)
    assert isinstance(raised.value, varn.EopFormatError) and str(raised.value).startswith("EOP file '")
    assert (raised.value.mjd_before, raised.value.mjd_after) == (61587 - 1, 61587)
    assert abs(raised.value.dut_step - 1.0) < 0.01 and raised.value.tai_utc_after == 37.0
    monkeypatch.setenv("VARN_LEAP_SECONDS", HYPOTHETICAL)
    eop = varn.read_eop(EOP_2027)
    dut_before, dut_after = eop.interpolate([[61586.0, 32.184 + 38], [61587.0, 32.184 + 38]]).dut
    assert 0.99 < dut_after - dut_before < 1.01
    monkeypatch.delenv("VARN_LEAP_SECONDS")  # never used under another table: read again, refused
    with pytest.raises(varn.LeapSecondMismatchError):
        eop.interpolate([[61586.0, 0.0]])


def test_state_vectors_round_trip_broadcast_and_nan_rows():
    rng = np.random.default_rng(7)
    tt = np.stack([54195.5 + rng.uniform(-3e4, 3e4, 6), rng.uniform(0, 86400, 6)], axis=1)
    res = varn.compute(tt, 0.03, 0.48, 1e-4, -2e-4, -0.07)
    r = rng.normal(0, 7e6, (6, 3))
    v, a = rng.normal(0, 7e3, (6, 3)), rng.normal(0, 9.0, (6, 3))
    lod = rng.uniform(0, 2e-3, (6, 1))
    fwd = varn.gcrs_to_itrs(res.rc2t, res.rpom, r, v, a, lod, threads=2)
    same = res.gcrs_to_itrs(r, v=v, a=a, lod=lod)
    assert all(np.array_equal(x, y) for x, y in zip(fwd, same))
    assert all(x.flags.f_contiguous for x in (*fwd, *res[:3], varn.leap_seconds().steps))  # one order
    back = res.itrs_to_gcrs(fwd.r, fwd.v, fwd.a, lod)
    for got, want, size in zip(back, (r, v, a), (7e6, 7e3, 9.0)):
        np.testing.assert_allclose(got, want, rtol=0, atol=size * 1e-14)
    # One row broadcast to every epoch is each epoch's own call; a NaN stays in its row.
    station = np.array([4075539.0, 931735.0, 4801629.0])
    moving = varn.itrs_to_gcrs(res.rc2t, res.rpom, station, np.zeros(3))
    alone = varn.itrs_to_gcrs(res.rc2t[4], res.rpom[4], station, [0, 0, 0])
    assert moving.a is None and moving.r.shape == (6, 3) and np.array_equal(moving.v[4], alone.v[0])
    r[2, 1] = np.nan
    nan_row = res.gcrs_to_itrs(r).r
    assert np.isnan(nan_row[2]).all() and np.array_equal(nan_row[3], fwd.r[3])


def test_station_at_rest_moves_as_rc2t_with_ut1_drifting_at_lod():
    # A station at rest in the ITRS is at p(t) = rc2t(t).T r in the GCRS; its velocity and
    # acceleration there are p' and p'', with UT1 - UTC drifting at -lod / 86400 (what lod
    # means). lod = 5 s, far beyond the Earth's milliseconds, so that its terms (1.8e-2 m/s,
    # 2.6e-6 m/s^2) dwarf the tolerances: central differences over 5 s and 60 s (truncation,
    # and ERA's 0.16 mm rounding), and the neglected rates of precession-nutation and polar
    # motion (1e-11 s^-1 |r|, 3e-15 s^-2 |r|).
    station, lod, steps = np.array([4075539.0, 931735.0, 4801629.0]), 5.0, np.array([-60, -5, 0, 5, 60])
    for mjd in (33282.0, 51544.5, 58849.25, 69000.0):
        tt = np.stack([np.full(5, mjd), 69.184 + steps], axis=1)
        res = varn.compute(tt, 0.1, 0.3, 1e-4, -1e-4, -0.2 - steps * lod / 86400)
        p = res.rc2t.transpose(0, 2, 1) @ station
        got = res.itrs_to_gcrs(station, np.zeros(3), np.zeros(3), lod)
        np.testing.assert_allclose(got.r[2], p[2], rtol=0, atol=1e-8)
        np.testing.assert_allclose(got.v[2], (p[3] - p[1]) / 10, rtol=0, atol=2e-4)
        np.testing.assert_allclose(got.a[2], (p[4] - 2 * p[2] + p[0]) / 3600, rtol=0, atol=4e-7)


@pytest.mark.parametrize("args, kwargs, error", [
    ((), {}, TypeError), (("rc2t", "rpom"), {}, TypeError), (("rc2t", "rpom", "r"), {"b": 1}, TypeError),
    (("rc2t", "rpom", np.zeros((2, 3))), {}, ValueError), (("rc2t", "rpom", "r"), {"a": np.zeros(3)}, ValueError),
    (("rc2t", np.zeros((3, 3, 3)), "r"), {}, ValueError), (("rc2t", "rpom", "r"), {"lod": np.zeros((4, 2))}, ValueError),
    (("rc2t", "rpom", ["x", "y", "z"]), {}, TypeError), (("res", "r", "r"), {}, TypeError)])
def test_state_vector_argument_errors(args, kwargs, error):
    res = varn.compute([[58849.0, 0.0]] * 4, 0.0, 0.0, 0.0, 0.0, 0.0)
    given = {"rc2t": res.rc2t, "rpom": res.rpom, "r": np.ones((4, 3)), "res": res}  # res: its method
    with pytest.raises(error):
        varn.gcrs_to_itrs(*[given.get(x, x) if isinstance(x, str) else x for x in args], **kwargs)
