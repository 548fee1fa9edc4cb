"""Validation of varn: `python scripts/validate [--quick]`.

Writes docs/validation.md and its figures in docs/validation/ (the full run),
or, with --quick, the same page on fewer epochs in build/validate-quick/.
Runs on the installed package (import varn); exits 1 when any agreement lies
outside its stated tolerance, 2 when the run cannot be made.
"""

import argparse
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from common import REPO, Page, fmt, machine, now_utc, versions  # noqa: E402

# Epochs of each part: full run, quick run.
SIZES = {
    "tools": (30000, 1500),            # random epochs 1980-2030
    "fast": (150, 8),                  # days of 1440 one-minute epochs, 1900-2100
    "rate": (3000, 200),               # random epochs 1900-2100
    "ut1_step_hours": (1.0, 12.0),     # 1960-1975
    "time": (3000, 200),               # random UTC stamps 1960-2030, besides month ends
}


def main():
    ap = argparse.ArgumentParser(prog="validate", description=__doc__.splitlines()[0])
    ap.add_argument("--quick", action="store_true", help="few epochs, into build/validate-quick")
    ap.add_argument("--out", type=Path, help="folder of validation.md (default: docs/, or "
                    "build/validate-quick/ with --quick)")
    ap.add_argument("--eop", type=Path, help="an IERS EOP 14 C04 file (default: the one astropy "
                    "ships, eopc04_IAU2000.62-now)")
    args = ap.parse_args()

    from astropy.utils import iers
    iers.conf.auto_download = False          # the run reads local files only

    import itself
    import published
    import tools
    from models import Models

    pick = 1 if args.quick else 0
    size = {k: v[pick] for k, v in SIZES.items()}
    out = args.out or (REPO / "build" / "validate-quick" if args.quick else REPO / "docs")
    eop = args.eop or Path(iers.IERS_B_FILE)
    work = REPO / "build" / "validate-work"
    work.mkdir(parents=True, exist_ok=True)
    page = Page(out, args.quick)
    models = Models(work)
    started = time.time()

    page.text("## Published values")
    published.hf_models(page, models)
    published.sofa_example(page, models)
    published.vallado(page, models)

    page.text("## The tools users compare with: astropy, skyfield, pyerfa")
    measured = tools.measure(models, eop, work, size["tools"])
    tools.report(page, measured, eop.name)

    page.text("## varn against itself")
    page.text("### The fast mode's error envelope, 1900-2100")
    itself.fast_envelope(page, size["fast"])
    page.text("### The high-frequency corrections over one month")
    itself.hf_month(page, models)
    page.text("### State vectors: the rate of the frame",
              "`varn.gcrs_to_itrs` takes the frame's rate as the Earth's rotation, "
              "ω = 7.292115146706979e-5 (1 - LOD/86400) rad/s, and leaves out the slow rates "
              "of polar motion and precession-nutation. Against the five-point numerical "
              "derivative of `rc2t` (steps of 60 s, UT1 - UTC drifting at -LOD/86400, which "
              "is what LOD means) the velocity of a point at rest in the GCRS stays within "
              "the stated bound:")
    itself.rate_bound(page, size["rate"])
    page.text("### UT1 of the rotation against varn.time, 1960-1975",
              "The rotation forms UTC, and from it UT1 = UTC + (UT1 - UTC), by its own TT -> "
              "TAI -> UTC chain; `varn.time` converts time stamps exactly, with the published "
              "drift expressions of 1961-1971 and their inverse. Outside the days that end with a "
              "leap second the two agree to the rounding of an MJD in a double.")
    itself.ut1_1960s(page, size["ut1_step_hours"])
    page.text("### varn.time against astropy's time scales")
    itself.time_vs_astropy(page, size["time"])

    page.text("## Every agreement checked by this run")
    page.table(["agreement", "measured", "tolerance", "unit", "within"], page.summary())
    elapsed = time.time() - started
    head = _head(page, size, eop, elapsed)
    ok = page.write(head)
    failed = [c for c in page.checks if not c[-1]]
    print("validate: %s written, %d agreements checked, %d outside tolerance (%.0f s)"
          % (out / "validation.md", len(page.checks), len(failed), elapsed))
    for what, value, tol, unit, _ in failed:
        print("  outside: %s: %s %s, tolerance %s" % (what, fmt(value), unit, fmt(tol)),
              file=sys.stderr)
    return 0 if ok else 1


def _head(page, size, eop, elapsed):
    full = {k: v[0] for k, v in SIZES.items()}
    quick = {k: v[1] for k, v in SIZES.items()}
    cover = [("random epochs 1980-2030 against astropy, skyfield, pyerfa", "tools"),
             ("days of 1-minute epochs 1900-2100, fast against exact", "fast"),
             ("random epochs 1900-2100, velocity against the numerical derivative", "rate"),
             ("hours between epochs of UT1 against varn.time, 1960-1975", "ut1_step_hours"),
             ("random UTC stamps 1960-2030 against astropy (with every month end and leap second)",
              "time")]
    return [
        "# Validation",
        "How varn agrees with published values, with the tools users compare it with, and with "
        "itself. Every number on this page was computed by the run that wrote it "
        "(`make validate`, the script `scripts/validate/`, on the installed Python package); the "
        "published values are quoted with their source. `make validate-quick`, part of "
        "`make test`, runs the same checks on fewer epochs into `build/validate-quick/` and "
        "fails when any agreement leaves its tolerance.",
        "**This run:** %s, %s run, %.0f s; %s. EOP: `%s`." % (
            now_utc(), "quick" if page.quick else "full", elapsed, machine(), eop.name),
        "\n".join("- %s %s" % (name, ver) for name, ver in versions()),
        "**What the full run covers, and the quick one:**",
        "\n".join("- %s: %g full, %g quick" % (what, full[k], quick[k]) for what, k in cover),
        "## Summary",
        "\n".join("- " + f for f in page.facts),
        "Units: µas microarcseconds; at 7000 km from the geocentre (a low orbit) 1 µas is "
        "0.034 mm. *HF terms*: the diurnal and semidiurnal ocean-tide and the libration terms "
        "of the IERS Conventions (2010), which varn adds to the pole and UT1 and the other "
        "tools leave out.",
    ]


if __name__ == "__main__":
    sys.exit(main())
