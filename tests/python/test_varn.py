# The Python package against the C++ library, the orientation of its
# matrices, its argument checks, the EOP reader and the GIL.
import errno
import os
import threading
import time
import warnings

import numpy as np
import pytest

import varn

DATA = os.path.join(os.path.dirname(__file__), "..", "data")
WIDTHS = [9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1]
TRAILING = {9: (3, 3), 1: (), 2: (2,), 11: (11,)}


def bits(a):
    return np.ascontiguousarray(a, dtype=np.float64).view(np.uint64)


def reference():
    """The batch and outputs varn_reference_dump wrote from the library in C++; then its state
    vectors: rows m, the inputs r, v, a, lod and the outputs of gcrs_to_itrs, then itrs_to_gcrs."""
    data = np.fromfile(os.environ["VARN_REFERENCE_FILE"], dtype=np.float64)
    n = int(data[0])
    ends = np.cumsum([2 * n] + [n] * 5 + [n * w for w in WIDTHS])
    cols = np.split(data[1:1 + ends[-1]], ends[:-1])
    inputs = [cols[0].reshape(2, n).T] + cols[1:6]
    m, state = int(data[1 + ends[-1]]), data[2 + ends[-1]:]
    r, v, a, lod, *out = np.split(state, np.cumsum([3 * m] * 3 + [m] + [3 * m] * 5))
    rows = [x.reshape(3, m).T for x in [r, v, a] + out]
    return inputs, [c.reshape(w, n).T for c, w in zip(cols[6:], WIDTHS)], (m, rows[:3] + [lod], rows[3:])


def day_batch(n=145, step_s=600.0):
    tt = np.stack([np.full(n, 58849.0), 69.184 + step_s * np.arange(n)], axis=1)
    return tt, 0.077, 0.282, 1e-4, -2e-5, -0.177


@pytest.mark.parametrize("threads", [1, 2, None])
def test_bits_equal_library_on_reference_batch(threads):
    # Flattened column c * 3 + r of the library is matrix element [r, c].
    inputs, want, (m, given, out) = reference()
    got = varn.compute(*inputs, threads=threads)
    for field, g, w, width in zip(varn.Result._fields, got, want, WIDTHS):
        assert g.dtype == np.float64 and g.shape == (len(w),) + TRAILING[width], field
        flat = g.reshape(len(w), width, order="F")
        assert np.array_equal(bits(flat), bits(w)), field
    # State vectors both ways on the first m rows' matrices, as varn::gcrs_to_itrs and
    # varn::itrs_to_gcrs give them.
    for k, f in enumerate((varn.gcrs_to_itrs, varn.itrs_to_gcrs)):
        states = f(got.rc2t[:m], got.rpom[:m], *given, threads=threads)
        assert all(np.array_equal(bits(g), bits(w)) for g, w in zip(states, out[3 * k:3 * k + 3]))


def test_rc2t_maps_gcrs_vectors_to_itrs():
    # The CIP is row 2 of rc2i in the GCRS; rc2t takes it to the ITRS pole
    # (xp, -yp, z) to third order in the pole (~1e-18); a transposed matrix
    # gives (-xp, yp, z). rc2t = rpom @ R3(era) @ rc2i to a few eps.
    r = varn.compute(*day_batch(5))
    for i in range(5):
        pole = r.rc2t[i] @ r.rc2i[i][2]
        np.testing.assert_allclose(pole, [r.xp_rad[i], -r.yp_rad[i], np.sqrt(1 - r.xp_rad[i] ** 2 - r.yp_rad[i] ** 2)],
                                   rtol=0, atol=1e-15)
        c, s = np.cos(r.era[i]), np.sin(r.era[i])
        r3 = np.array([[c, s, 0.0], [-s, c, 0.0], [0.0, 0.0, 1.0]])
        np.testing.assert_allclose(r.rpom[i] @ r3 @ r.rc2i[i], r.rc2t[i], rtol=0, atol=4e-16)
        np.testing.assert_allclose(r.rc2t[i] @ r.rc2t[i].T, np.eye(3), rtol=0, atol=1e-15)


@pytest.mark.parametrize("change, error, words", [
    ({"tt": "58849 0"}, TypeError, "tt"), ({"tt": [[True, False]]}, TypeError, "tt"),
    ({"xp": 1j}, TypeError, "xp"), ({"yp": np.array([None] * 3)}, TypeError, "yp"),
    ({"dX": np.longdouble(0)}, TypeError, "dX"), ({"dY": np.ma.array([0.0] * 3)}, TypeError, "dY"),
    ({"fast": 1}, TypeError, "fast"), ({"threads": True}, TypeError, "threads"),
    ({"threads": 2.0}, TypeError, "threads"), ({"threads": float("nan")}, TypeError, "threads"),
    ({"tt": np.float32([[58849, 0]] * 3)}, TypeError, "337.5 s"), ({"tt": [58849.0, 0.0]}, ValueError, "tt"), ({"tt": np.zeros((3, 3))}, ValueError, "tt"),
    ({"xp": np.zeros(4)}, ValueError, "xp"), ({"dut": np.zeros((3, 2))}, ValueError, "dut"),
    ({"yp": np.zeros((3, 1, 1))}, ValueError, "yp"), ({"threads": -1}, ValueError, "threads"),
    ({"threads": 2**31}, ValueError, "threads")])
def test_bad_arguments_raise_naming_them(change, error, words):
    tt, *rest = day_batch(3)
    args = dict(zip(["tt", "xp", "yp", "dX", "dY", "dut"], [tt] + rest), **change)
    with pytest.raises(error, match=words):
        varn.compute(**args)


def test_dtypes_scalars_broadcasting_and_empty():
    # Other real dtypes convert exactly; scalars, lists, (n, 1) and one row broadcast.
    tt, xp, yp, dX, dY, dut = day_batch(4, 21600.0)
    want = varn.compute(np.ascontiguousarray(tt), np.full(4, 0.25), np.full(4, yp), np.full(4, dX),
                        np.full(4, dY), np.full(4, dut))
    got = varn.compute(np.asfortranarray(tt), np.full(4, 0.25, np.float32), [[yp]] * 4, dX,
                       np.array([dY]), [dut] * 4)
    ints = varn.compute(np.int32([[58849, 7]] * 2), np.uint8(1), np.int64(0), 0, 0, np.int16(-1))
    whole = varn.compute(np.array([[58849.0, 7.0]] * 2), 1.0, 0.0, 0.0, 0.0, -1.0)
    for g, w in list(zip(got, want)) + list(zip(ints, whole)):
        assert np.array_equal(bits(g), bits(w))
    import astropy.units as u  # a Quantity in its unit, not as plain numbers
    mixed = varn.compute(tt, 250 * u.mas, [[yp]] * 4 * u.arcsec, dX, dY, dut * 1e3 * u.ms)
    np.testing.assert_allclose(np.ravel(mixed.rc2t), np.ravel(want.rc2t), rtol=0, atol=1e-16)
    for bad, error in (({"tt": tt * u.day}, TypeError), ({"xp": 0.25 * u.m}, ValueError)):
        with pytest.raises(error):
            varn.compute(**dict(dict(tt=tt, xp=0.25, yp=yp, dX=dX, dY=dY, dut=dut), **bad))
    empty = varn.compute(np.zeros((0, 2)), 0, 0, 0, 0, 0, fast=True)
    assert [e.shape for e in empty] == [(0,) + TRAILING[w] for w in WIDTHS]


@pytest.mark.filterwarnings("ignore:leap-second file is expired", "ignore:ERFA function")
def test_astropy_time_tt_and_utc_through_varns_table(monkeypatch):
    from astropy.time import Time
    from astropy.utils import iers
    iers.conf.auto_download = False  # its bundled leap seconds; no network
    # 2020 January 1, 6h UTC: TT = UTC + 37 s + 32.184 s.
    tt = np.array([[58849.0, 21600.0 + 69.184]])
    want = varn.compute(tt, 0.1, 0.3, 0.0, 0.0, -0.17)
    for t in (Time(tt[0, 0] + 2400000.5, tt[0, 1] / 86400.0, format="jd", scale="tt"),
              Time(["2020-01-01T06:00:00"], scale="utc")):
        got = varn.compute(t, 0.1, 0.3, 0.0, 0.0, -0.17)
        assert abs(got.utc[0, 1] - 21600.0) < 1e-6
        np.testing.assert_allclose(got.rc2t, want.rc2t, rtol=0, atol=1e-15)
    # UTC by varn's table, with a step (+1 s, 2027-07-01) that astropy's does not know, and in
    # a leap second that both know: TAI published 37 s and 38 s ahead.
    monkeypatch.setenv("VARN_LEAP_SECONDS", os.path.join(DATA, "Leap_Second_hypothetical_2027.dat"))
    t = Time(["2016-12-31T23:59:60.5", "2027-07-02T00:00:00", "2020-01-01T00:00:00"], scale="utc")
    t[2] = np.ma.masked  # no time: a NaN row, as a NaN tt, and no warning
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        tai = varn.compute(t, 0, 0, 0, 0, 0).tai
    np.testing.assert_allclose(tai, [[57754, 36.5], [61588, 38.0], [np.nan, np.nan]],
                               rtol=0, atol=1e-6)  # one MJD double: 0.63 us


def test_nan_rows_and_fast_bound():
    tt, xp, yp, dX, dY, dut = day_batch()
    xp = np.full(len(tt), xp)
    xp[7] = np.nan
    exact, fast = varn.compute(tt, xp, yp, dX, dY, dut), varn.compute(tt, xp, yp, dX, dY, dut, fast=True)
    assert np.isnan(exact.rc2t[7]).all() and np.isfinite(exact.era[7]) and np.isfinite(exact.rc2t[8]).all()
    # Within 1e-12 of the exact computation, interpolated (not bit equal) except in NaN rows.
    diff = np.abs(fast.rc2t - exact.rc2t)
    assert np.nanmax(diff) <= 1e-12 and np.nanmax(diff) > 0 and np.array_equal(bits(fast.utc), bits(exact.utc))


def test_other_threads_progress_while_compute_runs():
    tt, *rest = day_batch(8000, 1.0)  # about half a second on one thread
    timing = {}

    def work():
        start = time.perf_counter()
        varn.compute(tt, *rest, threads=1)
        timing["run"] = time.perf_counter() - start

    worker = threading.Thread(target=work)
    worker.start()
    last, longest = time.perf_counter(), 0.0
    while worker.is_alive():
        now = time.perf_counter()
        longest, last = max(longest, now - last), now
    worker.join()
    # With the GIL held the main thread would stall for the whole call.
    assert longest < 0.5 * timing["run"], (longest, timing["run"])


def test_eop_tables_and_interpolation_at_rows():
    # Rows of the files (0h UTC): 2015-01-28 of the C04 file, 2016-07-09 of finals2000A
    # (TAI - UTC 35 s, 36 s); values to 1e-9 of their unit.
    cases = [("eopc04_14_2015-01.txt", "C04_14", 57050.0, 35.0, [0.002218, 0.304433, -0.000174, -0.000004, -0.4890647], False),
             ("finals2000A_2016-07.txt", "finals2000A", 57578.0, 36.0, [0.179563, 0.471846, 0.027e-3, 0.235e-3, -0.2096451], True)]
    for name, layout, mjd, tai_utc, want, predicted in cases:
        eop = varn.read_eop(os.path.join(DATA, name))
        assert eop.layout == layout and eop.span[0] <= mjd <= eop.span[1] and len(eop) >= 4
        got = eop.interpolate([[mjd, tai_utc + 32.184]])
        np.testing.assert_allclose(np.ravel(got[:5]), want, rtol=0, atol=1e-9)
        assert got.predicted.dtype == bool and got.predicted[0] == predicted


def test_eop_epochs_outside_give_nan_and_one_warning():
    eop = varn.read_eop(os.path.join(DATA, "eopc04_14_2015-01.txt"))
    tt = [[40000.0, 0.0], [np.nan, 0.0], [eop.span[0] + 2, 67.184], [90000.0, 0.0]]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        warnings.simplefilter("ignore", varn.LeapSecondsExpiredWarning)  # the year 2105
        got = eop.interpolate(tt)
    assert len(caught) == 1 and issubclass(caught[0].category, varn.EopRangeWarning)
    assert "2 of 4 epochs" in str(caught[0].message)
    assert np.isnan(got.xp[[0, 1, 3]]).all() and np.isfinite(got.xp[2])


def test_eop_read_errors(tmp_path):
    with pytest.raises(FileNotFoundError) as missing:
        varn.read_eop(tmp_path / "none.txt")
    assert missing.value.errno == errno.ENOENT and missing.value.filename == str(tmp_path / "none.txt")
    with pytest.raises(IsADirectoryError):
        varn.read_eop(tmp_path)
    lines = open(os.path.join(DATA, "eopc04_14_2015-01.txt")).read().splitlines()
    first = next(k for k, s in enumerate(lines) if s.lstrip()[:1].isdigit())
    bad = tmp_path / "bad.txt"
    for edit, line, field in [(lambda s: s.replace("0.304433", "0.3x4433"), first + 3, "y"),
                              (lambda s: "hello\n", None, None)]:
        bad.write_text(edit("\n".join(lines) + "\n") if line else edit(""))
        with pytest.raises(varn.EopFormatError) as error:
            varn.read_eop(bad)
        assert isinstance(error.value, ValueError) and (error.value.line, error.value.field) == (line, field)
