"""The batch computation: GCRS to ITRS rotation of n epochs with every intermediate."""

from typing import Any, NamedTuple, Optional

import numpy as np

from . import _varn
from ._inputs import check_fast, compute_inputs, thread_count
from ._leap import in_force, warn_expired
from ._state import StateVectors, gcrs_to_itrs, itrs_to_gcrs


class Result(NamedTuple):
    """The eighteen series of :func:`compute`, in the order and with the names of MATLAB's varn."""
    rc2t: np.ndarray
    rc2i: np.ndarray
    rpom: np.ndarray
    xp_rad: np.ndarray
    yp_rad: np.ndarray
    gmst: np.ndarray
    gst: np.ndarray
    utc: np.ndarray
    ut1: np.ndarray
    tidal_args: np.ndarray
    t: np.ndarray
    fa_l: np.ndarray
    fa_lp: np.ndarray
    fa_f: np.ndarray
    fa_d: np.ndarray
    fa_om: np.ndarray
    tai: np.ndarray
    era: np.ndarray

    def gcrs_to_itrs(self, r: Any, v: Any = None, a: Any = None, lod: Any = 0.0, *,
                     threads: Optional[int] = None) -> StateVectors:
        """:func:`varn.gcrs_to_itrs` with this result's ``rc2t`` and ``rpom``.

        >>> r_itrs, v_itrs, _ = res.gcrs_to_itrs(r_gcrs, v_gcrs)
        """
        return gcrs_to_itrs(self.rc2t, self.rpom, r, v, a, lod, threads=threads)

    def itrs_to_gcrs(self, r: Any, v: Any = None, a: Any = None, lod: Any = 0.0, *,
                     threads: Optional[int] = None) -> StateVectors:
        """:func:`varn.itrs_to_gcrs` with this result's ``rc2t`` and ``rpom``.

        >>> r_gcrs, v_gcrs, _ = res.itrs_to_gcrs(station, [0.0, 0.0, 0.0])
        """
        return itrs_to_gcrs(self.rc2t, self.rpom, r, v, a, lod, threads=threads)


def compute(tt: Any, xp: Any, yp: Any, dX: Any, dY: Any, dut: Any, *, fast: bool = False,
            threads: Optional[int] = None) -> Result:
    """GCRS to ITRS rotation of n epochs, with the high-frequency terms and every intermediate.

    The pole coordinates and UT1 first receive the IERS Conventions (2010)
    diurnal and semidiurnal ocean-tide terms, the subdiurnal libration in
    polar motion and the libration in UT1; then the IAU 2006/2000A CIO-based
    procedure gives the matrices, angles and time scales. Each row is
    computed independently of the others.

    Parameters
    ----------
    tt : array_like, shape (n, 2), or astropy.time.Time, shape (n,) or scalar
        Terrestrial Time: MJD (column 0) plus seconds (column 1); the epoch is
        column 0 + column 1 / 86400 and neither column need be normalised. A
        Time in UTC is taken by its date and time of day, converted to TT by
        varn's own leap-second table (as :func:`time` does; astropy's table
        may lack a newer step); a Time of another scale through its TT
        two-part Julian Date.
    xp, yp : array_like, shape (n,) or (n, 1), or scalar
        Pole coordinates without the high-frequency terms, arcseconds.
    dX, dY : array_like, shape (n,) or (n, 1), or scalar
        Celestial pole offsets added to the model X, Y, arcseconds.
    dut : array_like, shape (n,) or (n, 1), or scalar
        UT1 - UTC without the high-frequency terms, seconds.
    fast : bool, optional
        Interpolate the costly quantities of TT alone where the batch is dense
        in time: within 1e-12 of the exact result (1e-8 s in the seconds of
        ut1), and on dense batches tens of times faster. Default False.
    threads : int or None, optional
        Threads to use, the calling one included: None takes the environment
        variable VARN_NUM_THREADS (decimal digits only), else one per hardware
        thread; 0 one per hardware thread; 1 the calling thread only. Results
        are the same bits for every count.

    Integer and float dtypes are converted exactly to float64; scalars and
    one-row arrays are broadcast to the n rows of tt. An astropy Quantity is
    converted to arcseconds (xp, yp, dX, dY) or seconds (dut).

    Returns
    -------
    Result
        A named tuple of float64 arrays, in MATLAB's output order:

        ==========  =========  ===============================================
        rc2t        (n, 3, 3)  celestial-to-terrestrial matrix, GCRS to ITRS
        rc2i        (n, 3, 3)  celestial-to-intermediate matrix, GCRS to CIRS
        rpom        (n, 3, 3)  polar-motion matrix, TIRS to ITRS
        xp_rad      (n,)       pole x with the high-frequency terms, radians
        yp_rad      (n,)       pole y with the high-frequency terms, radians
        gmst        (n,)       Greenwich mean sidereal time (IAU 2006), rad
        gst         (n,)       Greenwich apparent sidereal time, radians
        utc         (n, 2)     UTC: whole MJD, seconds into that day
        ut1         (n, 2)     UT1: whole MJD, seconds (with the terms)
        tidal_args  (n, 11)    six Doodson arguments, then the mean
                               longitudes of Mercury to Saturn, radians
        t           (n,)       TT Julian centuries since J2000.0
        fa_l        (n,)       mean anomaly of the Moon, radians
        fa_lp       (n,)       mean anomaly of the Sun, radians
        fa_f        (n,)       F = L - Omega, radians
        fa_d        (n,)       mean elongation of the Moon from the Sun, rad
        fa_om       (n,)       mean longitude of the Moon's node, radians
        tai         (n, 2)     TAI: whole MJD, seconds into that day
        era         (n,)       Earth rotation angle, radians
        ==========  =========  ===============================================

        ``rc2t[i] @ r_gcrs`` is the ITRS vector of epoch i (``rc2t[i]`` is
        MATLAB's ``reshape(rc2t(i,:), 3, 3)``). The arrays are in column-major
        (Fortran) order, the library's own, so that nothing is copied; so is
        every array of varn.

    Numerical limits: the exact computation follows the IAU procedure to
    the last bit of its evaluation order; ``fast=True`` stays within 1e-12
    of it. UT1 enters the Earth rotation angle as one MJD in a double, as
    the procedure takes it: near MJD 60000 that resolves 2^-37 day (0.63
    microseconds), so ERA moves in steps of 4.6e-11 rad and a position is
    rounded by up to half a step: 0.16 mm in low orbit (7000 km), 9 mm at
    the Moon's distance. The seconds of utc and ut1 have the same 0.63
    microsecond resolution.

    NaN and infinite inputs reach the outputs of their row, as in MATLAB;
    a date outside the calendar gives NaN in utc, ut1, gmst, gst, era, rc2t
    and the first tidal argument. n = 0 gives empty arrays of these shapes.
    The computation runs with the GIL released.

    Warns
    -----
    LeapSecondsExpiredWarning
        Once per call, when epochs lie after the leap-second table's expiry.
    InvalidTimeWarning
        tt a UTC Time with a second 60 that varn's table does not know: NaN rows.

    Raises
    ------
    LeapSecondFileError
        The file named by VARN_LEAP_SECONDS was refused.
    TypeError
        An input of strings, objects, booleans, complex values, a masked
        array or long double; tt as a Quantity; ``fast`` not a bool; ``threads`` not a whole
        number (a bool or a float).
    ValueError
        tt not of shape (n, 2); another input whose rows differ from tt's;
        a negative ``threads``; a Quantity of a unit that is not an angle
        (xp, yp, dX, dY) or a time (dut).

    Examples
    --------
    >>> import numpy as np, varn
    >>> tt = np.array([[58849.0, 69.184], [58849.0, 43269.184]])
    >>> r = varn.compute(tt, 0.077, 0.282, 0.0, 0.0, -0.177)
    >>> r.rc2t.shape, r.utc[0]
    ((2, 3, 3), array([58849.,     0.]))
    >>> r_itrs = r.rc2t[0] @ np.array([7000e3, 0.0, 0.0])
    """
    check_fast(fast)
    count = thread_count(threads)
    args = compute_inputs(tt, xp, yp, dX, dY, dut)
    leap = in_force()
    result, expired = _varn.compute(*args, bool(fast), count, leap)
    warn_expired(leap, expired, args[0].shape[0])
    return Result(*result)
