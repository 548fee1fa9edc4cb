"""The Python package's speed, on one core, against what a Python user has.

    python bench/bench_python.py [varn_work] [--repeat R] [--n N]

On the same epochs in one run, least CPU time of R runs, one thread:

  - varn.compute, exact and fast, on N epochs 1 s apart from 2020 January 1
    (the batch of bench/varn_work.cpp), against the same computation in C++
    (the varn_work program, when its path is given: its run of N epochs less
    its run of none), against the bare ERFA calls of each epoch made through
    pyerfa on whole arrays (the floor of bench/erfa_floor.hpp), and the
    Python layer's own work (argument checks and conversions) on its own;
  - on 10-minute epochs over a year: varn.compute exact and fast, astropy's
    GCRS -> CIRS and CIRS -> ITRS matrices and skyfield's itrs.rotation_at,
    given the same corrected pole and UT1 as varn (varn's xp_rad, yp_rad and
    ut1), with the largest difference of a matrix element from varn's rc2t.

Prints a Markdown table. Nothing is asserted: timings move with the load.
"""

import argparse
import os
import platform
import resource
import subprocess
import warnings

import numpy as np

import varn

DJM0 = 2400000.5  # MJD zero point, Julian Date
DAS2R = 4.848136811095359935899141e-6  # radians per arcsecond


def cpu_seconds():
    """CPU time of this process and of its finished children, seconds. On a
    shared machine the CPU time of a one-thread run moves far less than the
    time on the clock, which counts the other processes' turns too."""
    own, children = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
    return own.ru_utime + own.ru_stime + children.ru_utime + children.ru_stime


def best_times(fns, repeat):
    """Least CPU time of repeat runs of each fn() of a dict, seconds. The
    functions take turns, so that a change in the machine's load falls on all
    alike."""
    best = dict.fromkeys(fns, float("inf"))
    for _ in range(repeat):
        for name, fn in fns.items():
            start = cpu_seconds()
            fn()
            best[name] = min(best[name], cpu_seconds() - start)
    return best


def best_time(fn, repeat):
    return best_times({0: fn}, repeat)[0]


def cpp_run(work, mode, n):
    """A run of the C++ program varn_work on n epochs (its time less that of n = 0
    is the computation's)."""
    return lambda: subprocess.run([work, mode, str(n)], check=True, stdout=subprocess.DEVNULL)


def one_second_batch(n):
    """The batch of bench/varn_work.cpp: TT 2020 January 1 + i seconds."""
    tt = np.stack([np.full(n, 58849.0), np.arange(n, dtype=np.float64)], axis=1)
    return tt, 0.1, 0.35, 1.5e-4, -2e-4, -0.2


def erfa_floor(tt, xp_rad, yp_rad):
    """The ERFA calls of each epoch of the pipeline, vectorised (bench/erfa_floor.hpp)."""
    import erfa
    m = tt[:, 0] + tt[:, 1] / 86400.0
    t = (m - 51544.5) / 36525.0
    x, y = erfa.xy06(DJM0, m)
    rc2i = erfa.c2ixys(x, y, erfa.s06(DJM0, m, x, y))
    rpom = erfa.pom00(xp_rad, yp_rad, erfa.sp00(DJM0, m))
    whole = np.floor(m)
    rc2t = erfa.c2tcio(rc2i, erfa.era00(DJM0 + whole, m - whole), rpom)
    angles = [erfa.gmst06(DJM0, m, DJM0, m), erfa.gst06a(DJM0, m, DJM0, m)]
    angles += [f(t) for f in (erfa.fal03, erfa.falp03, erfa.faf03, erfa.fad03, erfa.faom03,
                              erfa.fame03, erfa.fave03, erfa.fama03, erfa.faju03, erfa.fasa03)]
    return rc2t, angles


def ut1_minus_utc(r):
    """varn's corrected UT1 - UTC, seconds."""
    return (r.ut1[:, 0] - r.utc[:, 0]) * 86400.0 + (r.ut1[:, 1] - r.utc[:, 1])


def astropy_matrices(tt, r):
    """astropy's GCRS -> ITRS matrices at TT tt with varn's corrected pole and UT1."""
    from astropy.time import Time
    from astropy.utils import iers
    from astropy.coordinates.builtin_frames import intermediate_rotation_transforms as irt
    iers.conf.auto_download = False
    # astropy reads the pole from its IERS table; give it varn's.
    irt.get_polar_motion = lambda time: (r.xp_rad, r.yp_rad)
    t = Time(DJM0 + tt[:, 0], tt[:, 1] / 86400.0, format="jd", scale="tt")
    t.delta_ut1_utc = ut1_minus_utc(r)
    return irt.cirs_to_itrs_mat(t) @ irt.gcrs_to_cirs_mat(t)


def skyfield_matrices(tt, r):
    """skyfield's itrs.rotation_at with varn's corrected pole and UT1."""
    from skyfield.api import load
    from skyfield.framelib import itrs
    ts = load.timescale(builtin=True)
    t = ts.tt_jd(DJM0 + tt[:, 0], tt[:, 1] / 86400.0)
    ts.polar_motion_table = (t.tt, r.xp_rad / DAS2R, r.yp_rad / DAS2R)
    # UT1 as a Julian Date in skyfield's two parts (whole, fraction).
    t.ut1_fraction = (DJM0 + r.ut1[:, 0] - t.whole) + r.ut1[:, 1] / 86400.0
    return np.moveaxis(itrs.rotation_at(t), -1, 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("varn_work", nargs="?", help="path of the C++ program bench/varn_work")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--n", type=int, default=100_000)
    args = parser.parse_args()
    warnings.simplefilter("ignore")  # astropy's expired leap-second notice
    rows = []

    def add(name, seconds, n, note=""):
        rows.append((name, 1e6 * seconds / n, note))
        print(f"  {name}: {1e6 * seconds / n:.3f} us/epoch {note}", flush=True)

    n, repeat = args.n, args.repeat
    batch = one_second_batch(n)
    r = varn.compute(*batch, threads=1)
    runs = {"exact": lambda: varn.compute(*batch, threads=1),
            "fast": lambda: varn.compute(*batch, fast=True, threads=1),
            "floor": lambda: erfa_floor(batch[0], r.xp_rad, r.yp_rad),
            # All that the Python call adds to the library's: checks and conversions.
            "layer": lambda: (varn._threads(1), varn._inputs(*batch))}
    work = args.varn_work if args.varn_work and os.path.exists(args.varn_work) else None
    if work:
        runs.update({"c exact": cpp_run(work, "pipeline", n), "c fast": cpp_run(work, "fast", n),
                     "c none": cpp_run(work, "pipeline", 0)})
    s = best_times(runs, repeat)
    add(f"varn.compute exact, n = {n}, 1 s steps", s["exact"], n,
        f"{s['exact'] / s['floor']:.3f} x pyerfa floor")
    add(f"varn.compute fast, n = {n}, 1 s steps", s["fast"], n)
    add(f"pyerfa floor (the same ERFA calls on arrays), n = {n}", s["floor"], n)
    add(f"the Python layer alone (checks, conversions), n = {n}", s["layer"], n,
        f"{s['layer'] / s['exact']:.2%} of exact, {s['layer'] / s['fast']:.2%} of fast")
    for mode, name in (("exact", "iau_compute"), ("fast", "iau_compute_fast")) if work else ():
        c_s = s["c " + mode] - s["c none"]
        add(f"C++ {name}, n = {n}, 1 s steps", c_s, n, f"Python / C++ = {s[mode] / c_s:.3f}")

    # A year of 10-minute epochs, no celestial pole offsets (astropy's matrix has none).
    year = np.arange(0.0, 365 * 86400.0, 600.0)
    tt = np.stack([58849.0 + np.floor(year / 86400.0), np.mod(year, 86400.0)], axis=1)
    m = len(tt)
    inputs = (tt, 0.1, 0.35, 0.0, 0.0, -0.2)
    r = varn.compute(*inputs, threads=1)
    year_fast_s = best_time(lambda: varn.compute(*inputs, fast=True, threads=1), repeat)
    add(f"varn.compute exact, year of 10-min steps ({m})",
        best_time(lambda: varn.compute(*inputs, threads=1), 1), m)
    add(f"varn.compute fast, year of 10-min steps ({m})", year_fast_s, m)
    for name, fn in (("astropy cirs_to_itrs_mat @ gcrs_to_cirs_mat", astropy_matrices),
                     ("skyfield itrs.rotation_at", skyfield_matrices)):
        try:
            matrices = fn(tt, r)
            seconds = best_time(lambda: fn(tt, r), repeat)
        except Exception as error:  # a missing or changed package: report and go on
            print(f"  {name}: not measured ({type(error).__name__}: {error})")
            continue
        add(f"{name}, year of 10-min steps", seconds, m,
            f"max |element - varn rc2t| = {np.max(np.abs(matrices - r.rc2t)):.1e}; "
            f"varn fast {seconds / year_fast_s:.1f} x faster")

    model = next((line.split(":", 1)[1].strip() for line in
                  subprocess.run(["lscpu"], capture_output=True, text=True).stdout.splitlines()
                  if line.startswith("Model name")), platform.processor())
    print(f"\n{model}, {os.cpu_count()} logical CPUs, Python {platform.python_version()}, "
          f"numpy {np.__version__}, varn {varn.__version__}; one thread, least CPU time of {repeat} runs\n")
    print("| measure | us per epoch | note |\n|---|---|---|")
    for name, us, note in rows:
        print(f"| {name} | {us:.3f} | {note} |")


if __name__ == "__main__":
    main()
