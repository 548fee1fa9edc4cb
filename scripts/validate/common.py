"""Shared parts of the validation run: the page, its checks, the machine, figures, units."""

import datetime
import math
import os
import platform
import subprocess
import sys
from pathlib import Path

import numpy as np

REPO = Path(__file__).resolve().parents[2]
DAS2R = 4.848136811095359935899141e-6      # radians per arcsecond
RAD2UAS = 1e6 / DAS2R                       # microarcseconds per radian
R_LEO_M = 7.0e6                             # the orbit radius differences are quoted at, m
MM_PER_UAS = R_LEO_M * 1e3 / RAD2UAS        # mm at 7000 km per microarcsecond (0.034)
DJMJD0 = 2400000.5


class Page:
    """The Markdown page and the list of agreements checked on the way.

    Every agreement is a measured value against a stated tolerance; the run
    fails (non-zero exit) when any lies outside it or is not a number.
    """

    def __init__(self, outdir, quick):
        self.outdir = Path(outdir)
        self.figdir = self.outdir / "validation"
        self.figdir.mkdir(parents=True, exist_ok=True)
        self.quick = quick
        self.parts = []
        self.checks = []
        self.facts = []          # one line each for the summary at the top

    def text(self, *paragraphs):
        self.parts.extend(paragraphs)

    def fact(self, line):
        self.facts.append(line)

    def table(self, header, rows):
        lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
        lines += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
        self.parts.append("\n".join(lines))

    def check(self, what, value, tolerance, unit):
        """Record |value| <= tolerance; returns the mark for a table cell."""
        ok = bool(abs(value) <= tolerance)    # NaN fails
        self.checks.append((what, value, tolerance, unit, ok))
        return "yes" if ok else "**NO**"

    def figure(self, fig, name, caption):
        import io

        import matplotlib.pyplot as plt
        from PIL import Image
        buf = io.BytesIO()
        fig.savefig(buf, format="png", dpi=100)
        plt.close(fig)
        # A palette of 32 colours (black kept for the text) keeps these plots sharp at
        # a quarter of the size.
        image = Image.open(buf).convert("RGB").quantize(colors=32, method=Image.Quantize.FASTOCTREE)
        image.save(self.figdir / (name + ".png"), optimize=True)
        self.parts.append("![%s](validation/%s.png)\n\n*%s*" % (name, name, caption))

    def summary(self):
        rows = [(w, fmt(v), fmt(t), u, "yes" if ok else "**NO**") for w, v, t, u, ok in self.checks]
        return rows

    def write(self, head):
        body = "\n\n".join(head + self.parts) + "\n"
        (self.outdir / "validation.md").write_text(body)
        return all(ok for *_, ok in self.checks)


def fmt(x, digits=3):
    """A measured number for the page: fixed point for ordinary sizes, else scientific."""
    x = float(x)
    if not math.isfinite(x):
        return str(x)
    if x == 0.0:
        return "0"
    if 1e-3 <= abs(x) < 1e5:
        decimals = max(0, digits - 1 - int(math.floor(math.log10(abs(x)))))
        return "%.*f" % (decimals, x)
    return "%.*e" % (digits - 1, x)


def rotation_vector(a, b):
    """Small rotation (rad, (n, 3)) that takes matrix b to matrix a: a b^T = I + [theta x].

    Components in the frame the matrices map to (the ITRS here): x and y tilt
    the pole, z turns about it as UT1 does.
    """
    e = a @ np.swapaxes(b, -1, -2)
    return 0.5 * np.stack([e[..., 2, 1] - e[..., 1, 2], e[..., 0, 2] - e[..., 2, 0],
                           e[..., 1, 0] - e[..., 0, 1]], axis=-1)


def seconds_between(a, b):
    """a - b for two (n, 2) arrays of (MJD, seconds of day), in seconds."""
    return (a[:, 0] - b[:, 0]) * 86400.0 + (a[:, 1] - b[:, 1])


def tt_pairs(mjd):
    """(n, 2) TT array (whole MJD, seconds of day) of fractional MJDs."""
    day = np.floor(mjd)
    return np.column_stack([day, (mjd - day) * 86400.0])


def year_of_mjd(mjd):
    return 2000.0 + (np.asarray(mjd) - 51544.5) / 365.25


def machine():
    """CPU model, cores and operating system, as the page states them."""
    model = platform.processor() or "unknown CPU"
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    system = platform.platform(terse=True)
    try:
        for line in Path("/etc/os-release").read_text().splitlines():
            if line.startswith("PRETTY_NAME="):
                system = line.split("=", 1)[1].strip('"')
    except OSError:
        pass
    return "%s, %d cores, %s" % (model, os.cpu_count() or 0, system)


def versions():
    """Versions of everything whose numbers the page shows."""
    import astropy
    import erfa
    import matplotlib
    import skyfield
    import varn
    system_erfa = "unknown"
    try:
        system_erfa = subprocess.run(["pkg-config", "--modversion", "erfa"], capture_output=True,
                                     text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        pass
    return [("varn", varn.__version__), ("numpy", np.__version__),
            ("astropy", astropy.__version__), ("skyfield", skyfield.__version__),
            ("pyerfa", erfa.__version__ + " (its ERFA " + erfa.version.erfa_version + ")"),
            ("ERFA linked by varn", system_erfa), ("matplotlib", matplotlib.__version__),
            ("Python", platform.python_version())]


def now_utc():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")


def plt():
    """pyplot on the file-only backend, with the page's defaults."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as pyplot
    pyplot.rcParams.update({"figure.figsize": (8.0, 4.5), "axes.grid": True, "grid.alpha": 0.3,
                            "font.size": 9, "figure.constrained_layout.use": True})
    return pyplot


def mm_axis(ax):
    """A right-hand axis in mm at 7000 km beside an axis in microarcseconds."""
    sec = ax.secondary_yaxis("right", functions=(lambda v: v * MM_PER_UAS,
                                                 lambda v: v / MM_PER_UAS))
    sec.set_ylabel("mm at 7000 km")
    return sec


def die(message):
    print("validate: " + message, file=sys.stderr)
    sys.exit(2)
