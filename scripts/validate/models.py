"""The three high-frequency models one by one.

The package applies the ocean-tide and libration terms inside the rotation
and returns only their sums (in the corrected pole and in UT1). To show each
model against its published test case, and to take the terms out of a
computation, the script compiles the model units from this tree's sources,
with the flags of the package build, into a small library beside its output
and calls them through ctypes.
"""

import ctypes
import hashlib
import shutil
import subprocess
from pathlib import Path

import numpy as np

from common import REPO, die

SHIM = r"""
#include "models/ortho_eop.hpp"
#include "models/pmsdnut2.hpp"
#include "models/utlibr.hpp"
extern "C" {
// Each over n epochs (TT MJD); outputs in microarcseconds and microseconds.
void validate_ortho_eop(long n, const double* m, double* out) {
    for (long i = 0; i < n; ++i) varn::ortho_eop(m[i], out + 3 * i);
}
void validate_pmsdnut2(long n, const double* m, double* out) {
    for (long i = 0; i < n; ++i) varn::pmsdnut2(m[i], out + 2 * i);
}
void validate_utlibr(long n, const double* m, double* out) {
    for (long i = 0; i < n; ++i) varn::utlibr(m[i], out[2 * i], out[2 * i + 1]);
}
}
"""


def _sources():
    listed = [line.strip() for line in (REPO / "varn_core_sources.txt").read_text().splitlines()
              if line.strip() and not line.lstrip().startswith("#")]
    models = [REPO / s for s in listed if "models/" in s]
    include = models[0].parent.parent if models else None
    return models, include


class Models:
    def __init__(self, workdir):
        models, include = _sources()
        if not models:
            die("no model sources in varn_core_sources.txt")
        compiler = shutil.which("g++") or shutil.which("c++")
        if compiler is None:
            die("a C++ compiler (g++) is needed to build the model units")
        digest = hashlib.sha256(SHIM.encode())
        for s in models + sorted(include.joinpath("models").glob("*.hpp")):
            digest.update(s.read_bytes())
        workdir = Path(workdir)
        workdir.mkdir(parents=True, exist_ok=True)
        lib = workdir / ("models-%s.so" % digest.hexdigest()[:12])
        if not lib.exists():
            shim = workdir / "models_shim.cpp"
            shim.write_text(SHIM)
            cmd = [compiler, "-std=c++17", "-O2", "-ffp-contract=off", "-fPIC", "-shared",
                   "-I", str(include), str(shim)] + [str(s) for s in models] + ["-o", str(lib)]
            done = subprocess.run(cmd, capture_output=True, text=True)
            if done.returncode != 0:
                die("building the model units failed:\n" + done.stderr)
        self._lib = ctypes.CDLL(str(lib))

    def _call(self, name, mjd, width):
        m = np.ascontiguousarray(mjd, dtype=np.float64).ravel()
        out = np.empty((m.size, width))
        ptr = ctypes.POINTER(ctypes.c_double)
        getattr(self._lib, name)(ctypes.c_long(m.size), m.ctypes.data_as(ptr),
                                 out.ctypes.data_as(ptr))
        return out

    def ortho_eop(self, mjd):
        """Ocean tides: (n, 3) dx, dy (uas), dUT1 (us)."""
        return self._call("validate_ortho_eop", mjd, 3)

    def pmsdnut2(self, mjd):
        """Libration in polar motion: (n, 2) dx, dy (uas)."""
        return self._call("validate_pmsdnut2", mjd, 2)

    def utlibr(self, mjd):
        """Libration in UT1: (n, 2) dUT1 (us), dLOD (us/day)."""
        return self._call("validate_utlibr", mjd, 2)

    def terms(self, tt):
        """The sums the rotation adds at TT (n, 2): pole x, y (arcsec) and UT1 (s).

        The pipeline takes the models at the TT MJD day + seconds/86400 and
        scales each sum by 1e-6, as here.
        """
        mjd = tt[:, 1] / 86400.0 + tt[:, 0]
        o, p, u = self.ortho_eop(mjd), self.pmsdnut2(mjd), self.utlibr(mjd)
        return ((o[:, 0] + p[:, 0]) * 1e-6, (o[:, 1] + p[:, 1]) * 1e-6,
                (o[:, 2] + u[:, 0]) * 1e-6)
