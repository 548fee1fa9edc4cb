"""varn against the tools users compare it with, on the same epochs and EOP values.

astropy (GCRS -> ITRS matrix and state), skyfield (its ITRS rotation) and a
plain pyerfa chain, CIO- and equinox-based. Each difference is a small
rotation; it is split by cause by computing varn step by step towards the
other tool: without the high-frequency terms, without the celestial pole
offsets, with the other tool's linearly interpolated EOP.
"""

import warnings
from pathlib import Path

import numpy as np

import varn
from common import (DAS2R, DJMJD0, MM_PER_UAS, R_LEO_M, RAD2UAS, die, fmt, mm_axis, plt,
                    rotation_vector, tt_pairs, year_of_mjd)

FIRST_MJD, END_MJD = 44239.0, 62867.0        # 1980-01-01 to 2031-01-01
C04_ROW = "%4d%4d%4d%7d%11.6f%11.6f%12.7f%12.7f%11.6f%11.6f%11.6f%11.6f%11.7f%11.7f%12.6f%12.6f"


def eop_grid(source, workdir):
    """The daily EOP rows of an IERS file from 1980 on, the last row held to 2031.

    The file is an EOP 14 C04 series or a finals2000A file (Bulletin A values,
    to its last row with pole and UT1; a blank dX, dY holds the last given).
    The rows are written in the EOP 14 C04 layout, so that varn and astropy
    (its IERS_B reader) read the same rows. Returns the path and the MJD of
    the last row of the file.
    """
    import erfa
    from astropy.utils import iers
    lines = source.read_text().splitlines()
    if any("FORMAT(3(I4),I7" in line for line in lines[:20]):
        rows = [[float(v) for v in line.split()] for line in lines[14:] if len(line.split()) == 16]
    else:
        rows = _finals_rows(lines)
    rows = [r for r in rows if r[3] >= FIRST_MJD - 10]
    if len(rows) < 30:
        die("%s: no daily EOP rows from 1980 on, in the EOP 14 C04 or finals2000A layout" % source)
    last = rows[-1]
    for mjd in range(int(last[3]) + 1, int(END_MJD) + 10):
        y, m, d, _ = erfa.jd2cal(DJMJD0, float(mjd))
        rows.append([y, m, d, mjd] + last[4:])
    header = Path(iers.IERS_B_FILE).read_text().splitlines()[:14]
    path = workdir / "eop_1980_2030.txt"
    path.write_text("\n".join(header + [C04_ROW % tuple(r) for r in rows]) + "\n")
    return path, last[3]


def _finals_rows(lines):
    """finals2000A rows as EOP 14 C04 rows: x, y (arcsec), UT1 - UTC, LOD (s), dX, dY (arcsec)."""
    rows, dxy = [], [0.0, 0.0]
    for line in lines:
        try:
            mjd, x, y, dut = (float(line[a:b]) for a, b in ((7, 15), (18, 27), (37, 46), (58, 68)))
        except ValueError:
            if rows:
                break                   # the first row without pole or UT1 ends the table
            continue
        lod = float(line[79:86]) * 1e-3 if line[79:86].strip() else 0.0
        if line[97:106].strip() and line[116:125].strip():
            dxy = [float(line[97:106]) * 1e-3, float(line[116:125]) * 1e-3]
        rows.append([0, 0, 0, mjd, x, y, dut, lod] + dxy + [0.0] * 6)
    import erfa
    for r in rows:
        r[:3] = erfa.jd2cal(DJMJD0, r[3])[:3]
    return rows


def astropy_matrices(t, n):
    """astropy's GCRS -> ITRS matrix at each epoch, from the images of the three axes."""
    import astropy.units as u
    from astropy.coordinates import GCRS, ITRS, CartesianRepresentation
    columns = []
    for j in range(3):
        axis = np.zeros((3, n))
        axis[j] = 1.0
        g = GCRS(CartesianRepresentation(axis * u.km), obstime=t)
        columns.append(g.transform_to(ITRS(obstime=t)).cartesian.xyz.to_value(u.km))
    return np.stack(columns, axis=-1).transpose(1, 0, 2)


def astropy_state(t, r, v):
    """astropy's GCRS -> ITRS of positions (m) and velocities (m/s), (n, 3) each."""
    import astropy.units as u
    from astropy.coordinates import GCRS, ITRS, CartesianDifferential, CartesianRepresentation
    rep = CartesianRepresentation(r.T * u.m, differentials=CartesianDifferential(v.T * u.m / u.s))
    out = GCRS(rep, obstime=t).transform_to(ITRS(obstime=t)).cartesian
    return out.xyz.to_value(u.m).T, out.differentials["s"].d_xyz.to_value(u.m / u.s).T


def erfa_ut1(tt, dut):
    """UT1 as a two-part JD by pyerfa's own TT -> TAI -> UTC -> UT1 (its own
    leap-second table), the first part whole days so that nothing is lost."""
    import erfa
    tai = erfa.tttai(DJMJD0 + tt[:, 0], tt[:, 1] / 86400.0)
    return erfa.utcut1(*erfa.taiutc(*tai), dut)


def erfa_cio(tt, xp, yp, dX, dY, dut):
    """A plain pyerfa chain, CIO-based: X, Y, s (IAU 2006/2000A series) and ERA."""
    import erfa
    t1, t2 = DJMJD0 + tt[:, 0], tt[:, 1] / 86400.0
    x, y = erfa.xy06(t1, t2)
    x, y = x + dX * DAS2R, y + dY * DAS2R
    rc2i = erfa.c2ixys(x, y, erfa.s06(t1, t2, x, y))
    rpom = erfa.pom00(xp * DAS2R, yp * DAS2R, erfa.sp00(t1, t2))
    return erfa.c2tcio(rc2i, erfa.era00(*erfa_ut1(tt, dut)), rpom)


def erfa_matrix_cip(tt, xp, yp, dut):
    """CIO-based with the CIP taken from the precession-nutation matrix (eraC2i06a)."""
    import erfa
    t1, t2 = DJMJD0 + tt[:, 0], tt[:, 1] / 86400.0
    rpom = erfa.pom00(xp * DAS2R, yp * DAS2R, erfa.sp00(t1, t2))
    return erfa.c2tcio(erfa.c2i06a(t1, t2), erfa.era00(*erfa_ut1(tt, dut)), rpom)


def erfa_equinox(tt, xp, yp, dut):
    """The same without pole offsets, equinox-based: NPB matrix, GST and the pole."""
    import erfa
    t1, t2 = DJMJD0 + tt[:, 0], tt[:, 1] / 86400.0
    gst = erfa.gst06a(*erfa_ut1(tt, dut), t1, t2)
    rpom = erfa.pom00(xp * DAS2R, yp * DAS2R, erfa.sp00(t1, t2))
    return erfa.c2teqx(erfa.pnm06a(t1, t2), gst, rpom)


def skyfield_matrices(tt, xp, yp, dut):
    """skyfield's ITRS rotation (equinox-based, its own nutation and sidereal time),
    given the same UT1 and pole at each epoch: its Delta T function and its polar
    motion table are the epochs' own values."""
    from skyfield import framelib
    from skyfield.api import load
    ts = load.timescale(builtin=True)
    jd = DJMJD0 + tt[:, 0] + tt[:, 1] / 86400.0
    u1, u2 = erfa_ut1(tt, dut)
    delta_t = ((DJMJD0 + tt[:, 0] - u1) + (tt[:, 1] / 86400.0 - u2)) * 86400.0   # TT - UT1, s
    ts.delta_t_function = lambda t_jd: np.interp(t_jd, jd, delta_t)
    ts.polar_motion_table = (jd, xp, yp)
    t = ts.tt_jd(DJMJD0 + tt[:, 0], tt[:, 1] / 86400.0)
    return np.moveaxis(framelib.itrs.rotation_at(t), -1, 0)


def measure(models, source, workdir, n):
    import astropy.units as u
    from astropy.time import Time
    from astropy.utils import iers

    grid, last_mjd = eop_grid(source, workdir)
    iers.conf.auto_download = False
    table = iers.IERS_B.open(str(grid))
    iers.earth_orientation_table.set(table)

    rng = np.random.default_rng(20240406)
    mjd = np.sort(rng.uniform(FIRST_MJD, END_MJD, n))
    tt = tt_pairs(mjd)
    year = year_of_mjd(mjd)
    with warnings.catch_warnings():
        # Epochs after the leap-second table's expiry (mid-2027) are meant:
        # both tools assume no leap second after the last known step.
        warnings.simplefilter("ignore", varn.LeapSecondsExpiredWarning)
        warnings.filterwarnings("ignore", module="astropy")
        warnings.filterwarnings("ignore", module="erfa")
        e = varn.read_eop(str(grid)).interpolate(tt)
        t = Time(DJMJD0 + tt[:, 0], tt[:, 1] / 86400.0, format="jd", scale="tt")
        lin_xp, lin_yp = (q.to_value(u.arcsec) for q in table.pm_xy(t))
        lin_dut = table.ut1_utc(t).to_value(u.s)
        hx, hy, hu = models.terms(tt)
        full = varn.compute(tt, e.xp, e.yp, e.dX, e.dY, e.dut)
        plain = varn.compute(tt, e.xp - hx, e.yp - hy, e.dX, e.dY, e.dut - hu).rc2t
        no_dxy = varn.compute(tt, e.xp - hx, e.yp - hy, 0.0, 0.0, e.dut - hu).rc2t
        linear = varn.compute(tt, lin_xp - hx, lin_yp - hy, 0.0, 0.0, lin_dut - hu).rc2t
        astropy_m = astropy_matrices(t, n)
        cio = erfa_cio(tt, e.xp, e.yp, e.dX, e.dY, e.dut)
        cio0 = erfa_cio(tt, e.xp, e.yp, 0.0, 0.0, e.dut)
        eqx = erfa_equinox(tt, e.xp, e.yp, e.dut)
        astropy_like = erfa_matrix_cip(tt, lin_xp, lin_yp, lin_dut)
        sky = skyfield_matrices(tt, e.xp, e.yp, e.dut)

        # A state in low orbit: random direction, circular speed.
        r = rng.normal(size=(n, 3))
        r *= R_LEO_M / np.linalg.norm(r, axis=1)[:, None]
        v = np.cross(r, rng.normal(size=(n, 3)))
        v *= 7546.0 / np.linalg.norm(v, axis=1)[:, None]
        ar, av = astropy_state(t, r, v)
    vr, vv, _ = full.gcrs_to_itrs(r, v, lod=e.lod)

    uas = lambda a, b: rotation_vector(a, b) * RAD2UAS
    causes = {
        "astropy - varn": uas(astropy_m, full.rc2t),
        "high-frequency terms (varn without them - varn)": uas(plain, full.rc2t),
        "celestial pole offsets dX, dY (left out - applied)": uas(no_dxy, plain),
        "EOP interpolation (linear - 4-point Lagrange)": uas(linear, no_dxy),
        "astropy - varn given astropy's inputs (the rest: the two chains)": uas(astropy_m, linear),
        ASTROPY_CHAIN: uas(astropy_m, astropy_like),
        "skyfield - varn": uas(sky, full.rc2t),
        OTHER_PANELS[1]: uas(sky, no_dxy),
        "pyerfa, equinox-based - CIO-based (no dX, dY)": uas(eqx, cio0),
        "pyerfa CIO chain - varn without HF terms": uas(cio, plain),
    }
    mm = lambda a, b: np.linalg.norm(a - b, axis=1) * 1e3
    return dict(year=year, causes=causes, last_mjd=last_mjd, n=n, state=(mm(ar, vr), mm(av, vv)),
                lod_state=mm(av, full.gcrs_to_itrs(r, v).v))


# Tolerances of the differences that must be small, microarcseconds.
# UT1 in varn is one MJD in a double, rounded at up to three steps of the
# TT -> TAI -> UTC -> UT1 chain: 3 x 0.31 us of Earth rotation, 14 uas.
ASTROPY_CHAIN = "astropy - pyerfa with the CIP from the matrix (eraC2i06a), astropy's inputs"
TOL_UAS = {
    # the same ERFA calls in the same order: rounding
    ASTROPY_CHAIN: 0.1,
    "pyerfa CIO chain - varn without HF terms": 14.0,
    # the X, Y series against the same model's classical angles (a few uas),
    # and varn's UT1 rounding
    "astropy - varn given astropy's inputs (the rest: the two chains)": 20.0,
    "pyerfa, equinox-based - CIO-based (no dX, dY)": 5.0,
    # skyfield's own precession, nutation and sidereal-time expressions
    "skyfield - varn without HF terms and dX, dY (equinox-based, its own series)": 30.0,
}
ASTROPY_PANELS = ["astropy - varn", "high-frequency terms (varn without them - varn)",
                  "celestial pole offsets dX, dY (left out - applied)",
                  "EOP interpolation (linear - 4-point Lagrange)",
                  "astropy - varn given astropy's inputs (the rest: the two chains)"]
OTHER_PANELS = ["skyfield - varn",
                "skyfield - varn without HF terms and dX, dY (equinox-based, its own series)",
                "pyerfa, equinox-based - CIO-based (no dX, dY)",
                "pyerfa CIO chain - varn without HF terms"]


def report(page, out, source):
    import erfa
    y, m, d, _ = erfa.jd2cal(DJMJD0, out["last_mjd"])
    page.text(
        "%d epochs drawn at random from 1980 to 2030 (TT). Earth orientation from `%s`, "
        "rows from 1980 to its last, %04d-%02d-%02d; after that the last row is held to 2031, "
        "so that the tools still get the same values (a comparison of tools, not of the "
        "Earth; after 2027 June 28 no leap second is assumed by any of them). varn reads the "
        "rows (written out in the EOP 14 C04 layout) with `varn.read_eop` and interpolates "
        "them (4-point Lagrange); astropy reads the same rows as its IERS table "
        "(`IERS_B.open`, set as `earth_orientation_table`) and interpolates linearly, as it "
        "does; skyfield and pyerfa get varn's interpolated values at each epoch (skyfield "
        "through its Delta T function and polar-motion table)." % (out["n"], source, y, m, d),
        "Each difference is the small rotation between two GCRS -> ITRS matrices, "
        "A B^T = I + [θ×], given as |θ| in µas and as the largest displacement it makes at "
        "7000 km from the geocentre (1 µas: %.3f mm). The astropy difference is split by "
        "cause by running varn step by step towards astropy: the ocean-tide and libration terms "
        "taken out of its inputs, then the celestial pole offsets dX, dY (astropy's GCRS -> "
        "CIRS leaves them out), then astropy's own linearly interpolated pole and UT1 - UTC; "
        "what remains is the two chains themselves. The causes add up to the whole exactly, "
        "as rotation vectors." % MM_PER_UAS)
    rows = []
    for name, d in out["causes"].items():
        mag = np.linalg.norm(d, axis=1)
        tol = TOL_UAS.get(name)
        ok = page.check(name, mag.max(), tol, "µas") if tol else ""
        rows.append((name, fmt(np.median(mag)), fmt(np.percentile(mag, 95)), fmt(mag.max()),
                     fmt(mag.max() * MM_PER_UAS), "%g" % tol if tol else "", ok))
    page.table(["difference", "median (µas)", "95 % (µas)", "largest (µas)",
                "largest (mm at 7000 km)", "tolerance (µas)", "within"], rows)
    mags = {k: np.linalg.norm(d, axis=1) for k, d in out["causes"].items()}
    whole, rest = mags[ASTROPY_PANELS[0]], mags[ASTROPY_PANELS[-1]]
    page.fact("astropy, same epochs and EOP, 1980-2030: a rotation of median %s mm, largest %s "
              "mm at 7000 km (%s and %s µas); after the high-frequency terms, the celestial pole "
              "offsets astropy leaves out and its linear EOP interpolation, %s µas (%s mm) "
              "remain at most."
              % (fmt(np.median(whole) * MM_PER_UAS), fmt(whole.max() * MM_PER_UAS),
                 fmt(np.median(whole)), fmt(whole.max()), fmt(rest.max()),
                 fmt(rest.max() * MM_PER_UAS)))
    page.fact("skyfield's ITRS rotation: without the high-frequency terms and pole offsets, "
              "within %s µas of varn (its own equinox-based series); a plain pyerfa CIO chain "
              "within %s µas of varn without the terms (varn's UT1 in one double)."
              % (fmt(mags[OTHER_PANELS[1]].max()), fmt(mags[OTHER_PANELS[3]].max())))
    rest = out["causes"][ASTROPY_PANELS[-1]]
    tilt = np.abs(rest[:, :2] - out["causes"][OTHER_PANELS[2]][:, :2]).max()
    page.text("What remains of astropy against varn is explained as well: its tilt of the pole "
              "(x, y) is the pyerfa equinox-based against CIO-based difference to %s µas (astropy "
              "takes the celestial pole from the precession-nutation matrix, varn from the X, Y "
              "series), and its turn about the pole, up to %s µas, is varn's UT1 held as one "
              "MJD in a double (0.63 µs steps, 9.5 µas of rotation): astropy is a plain pyerfa "
              "chain with the celestial pole from that matrix, to the rounding (the row above)."
              % (fmt(tilt), fmt(np.abs(rest[:, 2]).max())))
    dr, dv = out["state"]
    page.text("**State vectors.** A circular orbit of radius 7000 km (random direction and "
              "plane at each epoch) carried from the GCRS to the ITRS by astropy (its velocity by "
              "finite differences of the transformation) and by `varn.gcrs_to_itrs` (the Earth's "
              "rate, with the LOD of the table as `read_eop` interpolates it):")
    year, last = out["year"], year_of_mjd(out["last_mjd"])
    stats = lambda x: (fmt(np.median(x)), fmt(np.percentile(x, 95)), fmt(x.max()))
    rows = [("position (mm)",) + stats(dr)]
    for name, m in (("1980-1999", year < 2000.0),
                    ("2000 to the last EOP row", (year >= 2000.0) & (year <= last)),
                    ("the last row held", year > last)):
        if m.any():
            rows.append(("position (mm), " + name,) + stats(dr[m]))
    rows += [("velocity (mm/s)",) + stats(dv),
             ("velocity, varn with LOD = 0 (mm/s)",) + stats(out["lod_state"])]
    page.table(["astropy - varn", "median", "95 %", "largest"], rows)
    _figure(page, out, ASTROPY_PANELS, "tools_astropy",
            "astropy's GCRS -> ITRS against varn, and the difference split by cause",
            "astropy against varn over 1980-2030: the whole difference (top), then its parts: "
            "the high-frequency terms varn adds, the celestial pole offsets astropy leaves out, "
            "linear against 4-point Lagrange interpolation of the EOP, and what remains (the "
            "two chains). The dashed line marks the last real EOP row.")
    _figure(page, out, OTHER_PANELS, "tools_skyfield_pyerfa",
            "skyfield and plain pyerfa chains against varn",
            "skyfield's ITRS rotation against varn (top) and without the high-frequency terms and "
            "the pole offsets (its equinox-based model and own series); a plain pyerfa "
            "equinox-based chain against the CIO-based one; the plain pyerfa CIO-based chain "
            "against varn without the high-frequency terms (varn's arithmetic: UT1 held as one "
            "MJD in a double).")


def _figure(page, out, panels, name, title, caption):
    p = plt()
    fig, axes = p.subplots(len(panels), 1, figsize=(8, 1.9 * len(panels) + 0.6), sharex=True)
    last = year_of_mjd(out["last_mjd"])
    for ax, key in zip(axes, panels):
        ax.plot(out["year"], np.linalg.norm(out["causes"][key], axis=1), ".", ms=1.2)
        ax.axvline(last, color="k", lw=0.8, ls="--")
        ax.set_ylabel("µas")
        ax.set_title(key, fontsize=8.5, loc="left")
        ax.set_ylim(bottom=0)
        mm_axis(ax)
    axes[-1].set_xlabel("year (TT)")
    fig.suptitle(title)
    page.figure(fig, name, caption)
