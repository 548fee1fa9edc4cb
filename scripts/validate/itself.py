"""varn against itself and against its own time stamps: the fast mode's error
envelope, the high-frequency terms over a month, the state vectors' rate, UT1
of the rotation against varn.time, and varn.time against astropy."""

import contextlib
import warnings

import numpy as np

import varn
from common import DAS2R, DJMJD0, fmt, plt, seconds_between, tt_pairs, year_of_mjd

FAST_BOUND, FAST_UT1_BOUND = 1e-12, 1e-8      # rad or matrix element; s
RATE_BOUND = 1e-11                            # |v error| / |r|, 1/s


@contextlib.contextmanager
def _past_expiry():
    """Epochs past the leap-second table's expiry are meant here: no warning."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", varn.LeapSecondsExpiredWarning)
        yield


def fast_envelope(page, batches):
    """Days of 1-minute epochs spread over 1900-2100: fast against exact."""
    rng = np.random.default_rng(1900)
    starts = np.sort(rng.uniform(15020.0, 88068.0, batches))       # 1900 .. 2100
    worst = np.zeros((batches, 3))
    for k, s in enumerate(starts):
        tt = tt_pairs(np.floor(s) + np.arange(1440) / 1440.0)
        args = (tt, 0.1 + 0.1 * rng.random(), 0.3 + 0.1 * rng.random(), 2e-4, -1e-4,
                rng.random() - 0.5)
        with _past_expiry():
            a, b = varn.compute(*args), varn.compute(*args, fast=True)
        mats = max(np.abs(getattr(a, q) - getattr(b, q)).max() for q in ("rc2t", "rc2i", "rpom"))
        angles = max(np.abs(np.remainder(getattr(a, q) - getattr(b, q) + np.pi, 2 * np.pi)
                            - np.pi).max() for q in ("xp_rad", "yp_rad", "gst", "era"))
        worst[k] = mats, angles, np.abs(seconds_between(a.ut1, b.ut1)).max()
    p = plt()
    fig, ax = p.subplots(figsize=(8, 4))
    year = year_of_mjd(starts)
    ax.semilogy(year, np.maximum(worst[:, 0], 1e-17), "o", ms=3, label="matrix elements")
    ax.semilogy(year, np.maximum(worst[:, 1], 1e-17), "s", ms=3, mfc="none",
                label="pole, GST, ERA (rad)")
    ax.axhline(FAST_BOUND, color="k", lw=1, ls="--", label="stated bound 1e-12")
    ax.set_xlim(1895, 2105)
    ax.set(xlabel="year (TT)", ylabel="largest |fast - exact| of the day (1 or rad)",
           title="Fast mode against the exact computation: one day of 1-minute epochs per point")
    ax.legend(loc="lower right")
    page.figure(fig, "fast_envelope", "Largest difference of the fast computation from the exact "
                "one over each of %d days of 1-minute epochs, 1900-2100 (zero is drawn at "
                "1e-17)." % batches)
    rows = []
    for what, col, bound, unit in (("matrix elements", 0, FAST_BOUND, ""),
                                   ("pole, GST, ERA", 1, FAST_BOUND, "rad"),
                                   ("seconds of UT1", 2, FAST_UT1_BOUND, "s")):
        ok = page.check("fast mode, " + what, worst[:, col].max(), bound, unit)
        rows.append((what, fmt(worst[:, col].max()), "%g %s" % (bound, unit), ok))
    page.table(["fast - exact, %d days of 1440 epochs" % batches, "largest", "bound", "within"],
               rows)
    page.fact("Fast mode over 1900-2100: matrix elements and angles within %s of the exact "
              "computation (bound 1e-12), UT1 within %s s." % (fmt(worst[:, :2].max()),
                                                              fmt(worst[:, 2].max())))


def hf_month(page, models):
    """The ocean-tide and libration terms over January 2020, each model apart."""
    mjd = 58849.0 + np.arange(0, 31 * 72) / 72.0                     # 20-minute steps
    tt = tt_pairs(mjd)
    o, p_, u = models.ortho_eop(mjd), models.pmsdnut2(mjd), models.utlibr(mjd)
    r = varn.compute(tt, 0.0, 0.0, 0.0, 0.0, 0.0)
    # The rotation applies their sums: its corrected pole and UT1 with zero
    # inputs are the sums themselves.
    pole = max(np.abs(r.xp_rad / DAS2R * 1e6 - (o[:, 0] + p_[:, 0])).max(),
               np.abs(r.yp_rad / DAS2R * 1e6 - (o[:, 1] + p_[:, 1])).max())
    ut1 = np.abs(seconds_between(r.ut1, r.utc) * 1e6 - (o[:, 2] + u[:, 0])).max()
    page.table(["the rotation's terms against the models' sums, January 2020", "largest",
                "tolerance", "within"],
               [("pole (µas)", fmt(pole), "1e-9",
                 page.check("HF sums in the pole", pole, 1e-9, "µas")),
                ("UT1 (µs)", fmt(ut1), "1e-3", page.check("HF sums in UT1", ut1, 1e-3, "µs"))])
    pp = plt()
    fig, axes = pp.subplots(3, 1, figsize=(8, 7), sharex=True)
    day = mjd - 58849.0
    for ax, (name, unit, ocean, lib) in zip(axes, (("x_p", "µas", o[:, 0], p_[:, 0]),
                                                   ("y_p", "µas", o[:, 1], p_[:, 1]),
                                                   ("UT1", "µs", o[:, 2], u[:, 0]))):
        ax.plot(day, ocean, lw=0.7, label="ocean tides")
        ax.plot(day, lib, lw=0.7, label="libration")
        ax.plot(day, ocean + lib, lw=0.9, color="k", label="sum (what the rotation adds)")
        ax.set_ylabel("%s (%s)" % (name, unit))
    lo, hi = axes[0].get_ylim()
    axes[0].set_ylim(lo, hi + 0.35 * (hi - lo))                     # room for the legend
    axes[0].legend(loc="upper right", ncol=3, fontsize=8)
    axes[0].set_title("High-frequency corrections of the pole and UT1, January 2020 "
                      "(20-minute steps)")
    axes[-1].set_xlabel("days from 2020-01-01 0h TT")
    page.figure(fig, "hf_month", "The ocean-tide and libration terms added to the pole "
                "coordinates and UT1 over one month: diurnal and semidiurnal, up to a few "
                "hundred µas and some tens of µs (1 µs of UT1 is 15 µas of rotation).")


def rate_bound(page, n):
    """The velocity from the frame's rate against the numerical derivative of rc2t."""
    rng = np.random.default_rng(2100)
    day = np.floor(rng.uniform(15020.0, 88068.0, n))
    sec = rng.uniform(300.0, 86000.0, n)
    xp, yp = rng.uniform(-0.3, 0.3, n), rng.uniform(0.0, 0.6, n)
    dut, lod = rng.uniform(-0.9, 0.9, n), rng.uniform(-1e-3, 3e-3, n)
    r = rng.normal(size=(n, 3))
    r *= 7.0e6 / np.linalg.norm(r, axis=1)[:, None]
    h = 60.0                                                        # s
    rot = {}
    for k in (-2, -1, 0, 1, 2):
        # UT1 - UTC drifts at -lod/86400: the meaning of the excess length of day.
        with _past_expiry():
            rot[k] = varn.compute(np.column_stack([day, sec + k * h]), xp, yp, 0.0, 0.0,
                                  dut - k * h * lod / 86400.0)
    d = lambda k: np.einsum("nij,nj->ni", rot[k].rc2t, r)
    v_num = (d(-2) - 8.0 * d(-1) + 8.0 * d(1) - d(2)) / (12.0 * h)    # error ~ w^5 h^4 / 30
    v = rot[0].gcrs_to_itrs(r, np.zeros_like(r), lod=lod).v
    err = np.linalg.norm(v - v_num, axis=1) / 7.0e6
    ok = page.check("state vectors: velocity against the numerical derivative", err.max(),
                    RATE_BOUND, "1/s")
    page.table(["velocity of a resting GCRS point against d(rc2t r)/dt, %d epochs 1900-2100" % n,
                "median", "largest", "bound", "within"],
               [("|v - v_numerical| / |r| (1/s)", fmt(np.median(err)), fmt(err.max()),
                 "%g" % RATE_BOUND, ok),
                ("the same in low orbit (mm/s at 7000 km)", fmt(np.median(err) * 7e9),
                 fmt(err.max() * 7e9), fmt(RATE_BOUND * 7e9), "")])
    page.fact("State vectors: the velocity within %s |r| per second of the numerical derivative "
              "of the rotation (bound 1e-11; %s mm/s in low orbit)." % (fmt(err.max()),
                                                                       fmt(err.max() * 7e9)))


def ut1_1960s(page, step_hours):
    """UT1 (and UTC) of the rotation's TT -> UTC chain against varn.time, 1960-1975."""
    mjd = np.arange(36935.0, 42413.0, step_hours / 24.0)   # from 1960-01-02 TT
    tt = tt_pairs(mjd)
    r = varn.compute(tt, 0.0, 0.0, 0.0, 0.0, 0.0)
    stamp = varn.time(tt, "TT", "UTC").out
    diff = seconds_between(r.utc, stamp)
    leap_days = [m - 1.0 for m in _step_mjds()]
    ordinary = ~np.isin(stamp[:, 0], leap_days)
    # Milliseconds if the chain strays that far, else microseconds; 1 s of
    # UT1 turns the Earth by 15", 465.1 m at the equator.
    big = np.abs(diff[ordinary]).max() > 1e-3
    scale, unit, ground = (1e3, "ms", "m") if big else (1e6, "µs", "mm")
    p = plt()
    fig, ax = p.subplots(figsize=(8, 4))
    ax.plot(year_of_mjd(mjd[ordinary]), diff[ordinary] * scale, ".", ms=1.0)
    ax.set(xlabel="year (TT)", ylabel="difference (%s)" % unit,
           title="UT1 of the rotation minus UT1 from varn.time's UTC, 1960-1975")
    sec = ax.secondary_yaxis("right", functions=(lambda v: v * 0.4651, lambda v: v / 0.4651))
    sec.set_ylabel("%s at the equator" % ground)
    page.figure(fig, "ut1_1960s", "The UTC of the rotation's TT -> UTC chain, which UT1 - UTC "
                "turns into UT1, minus the UTC that varn.time gives for the same TT, every %g h; "
                "leap-second days from 1972 are left out (the chain spreads the extra second over "
                "the day). Differences under a microsecond are the rounding of an MJD held in "
                "one double." % step_hours)
    rows, largest = [], []
    for name, m in (("1960-1971", ordinary & (mjd < 41317.0)),
                    ("1972-1975, leap-second days excepted", ordinary & (mjd >= 41317.0))):
        worst = np.abs(diff[m]).max()
        largest.append(fmt(worst))
        ok = page.check("UTC of the rotation against varn.time, " + name, worst, 2e-6, "s")
        rows.append((name, fmt(worst) + " s", "2e-6 s", ok))
    page.text("Tolerance 2 µs: three roundings of an MJD in one double (0.63 µs steps).")
    page.table(["rotation's UTC - varn.time's UTC", "largest difference", "tolerance", "within"],
               rows)
    page.fact("UT1 of the rotation against varn.time: %s s at most in 1960-1971, %s s from 1972 "
              "(leap-second days excepted)." % tuple(largest))


def _step_mjds():
    """MJD of each leap-second step from 1972 (0h UTC of the step's date)."""
    import erfa
    return [sum(erfa.cal2jd(int(y), int(m), int(d))) - DJMJD0
            for y, m, d, _ in varn.leap_seconds().steps]


def time_vs_astropy(page, n):
    """varn.time UTC -> TT against astropy, 1960-2030, and at every leap second."""
    from astropy.time import Time
    rng = np.random.default_rng(1960)
    cal = []
    for y in range(1960, 2031):                       # the last seconds of each month
        for m in range(1, 13):
            last = [31, 29 if y % 4 == 0 else 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31][m - 1]
            cal.append((y, m, last, 23, 59, 59.5))
    for mjd in _step_mjds():                          # every leap second itself
        y, m, d = _date(mjd - 1.0)
        cal.append((y, m, d, 23, 59, 60.05))   # 1971 ended 0.108 s late
    for _ in range(n):
        cal.append((int(rng.integers(1960, 2031)), int(rng.integers(1, 13)),
                    int(rng.integers(1, 29)), int(rng.integers(0, 24)), int(rng.integers(0, 60)),
                    round(float(rng.uniform(0, 60)), 6)))   # exact in the ISO text
    cal = np.array(cal, dtype=float)
    with _past_expiry():
        ours = varn.time(cal, "UTC", "TT").out
    iso = ["%04d-%02d-%02dT%02d:%02d:%012.9f" % tuple(c) for c in cal]
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        t = Time(iso, scale="utc", precision=9).tt
    diff = ((t.jd1 - DJMJD0 - ours[:, 0]) + t.jd2) * 86400.0 - ours[:, 1]
    ok = page.check("varn.time against astropy, UTC -> TT", np.abs(diff).max(), 1e-10, "s")
    page.fact("varn.time against astropy's UTC -> TT, 1960-2030 and every leap second: %s s at "
              "most." % fmt(np.abs(diff).max()))
    page.table(["varn.time against astropy's UTC -> TT, 1960-2030", "epochs", "largest difference",
                "tolerance", "within"],
               [("month ends, every leap second, %d random" % n, len(cal), fmt(np.abs(diff).max())
                 + " s", "1e-10 s", ok)])


def _date(mjd):
    import erfa
    y, m, d, _ = erfa.jd2cal(DJMJD0, float(mjd))
    return int(y), int(m), int(d)
