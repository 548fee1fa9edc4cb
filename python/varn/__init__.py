"""GCRS to ITRS rotation of a batch of epochs, with every intermediate quantity.

varn computes, for n epochs, the rotation from the Geocentric Celestial
Reference System to the International Terrestrial Reference System by the
IAU 2006/2000A CIO-based procedure, after adding the IERS Conventions (2010)
high-frequency variations (diurnal and semidiurnal ocean tides, subdiurnal
libration in polar motion, libration in UT1) to the pole coordinates and UT1.
It is the C++ library of the MATLAB/Octave plug-in ``varn``, on numpy arrays:
the same results, bit for bit.

Functions
---------
compute      the eighteen series of a batch (exact, or ``fast=True``)
read_eop     an IERS Earth orientation file (EOP 14 C04, EOP 20 C04,
             finals2000A), to interpolate to the epochs of a batch
varn.dask    the same computation on dask arrays, one task per chunk

Examples
--------
>>> import varn
>>> from astropy.time import Time
>>> t = Time(["2020-01-01T00:00:00", "2020-01-01T06:00:00"], scale="utc")
>>> eop = varn.read_eop("finals2000A.all")
>>> r = varn.compute(t, *eop.interpolate(t)[:5])
>>> r.rc2t.shape
(2, 3, 3)
"""

import numbers
import os
import sys
import warnings
from typing import NamedTuple

import numpy as np

from . import _varn

__version__ = _varn.__version__
__all__ = ["compute", "Result", "read_eop", "EopTable", "EopValues", "EopFormatError",
           "EopRangeWarning", "__version__"]

_INT_MAX = 2**31 - 1


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


class EopValues(NamedTuple):
    """Earth orientation at a batch of epochs (:meth:`EopTable.interpolate`)."""
    xp: np.ndarray
    yp: np.ndarray
    dX: np.ndarray
    dY: np.ndarray
    dut: np.ndarray
    predicted: np.ndarray


class EopFormatError(ValueError):
    """An EOP file that cannot be read as a table.

    Attributes
    ----------
    filename : str or bytes
        The file, as given.
    line : int or None
        Line of the offending row, from 1; None when no row is at fault.
    field : str or None
        Name of the offending field (``"MJD"``, ``"x"``, ...), or None.
    """

    def __init__(self, message, filename, line, field):
        super().__init__(message)
        self.filename = filename
        self.line = line
        self.field = field


class EopRangeWarning(UserWarning):
    """Epochs outside an EOP table: their values are NaN."""


def _time_class():
    """astropy's Time, when astropy.time is already loaded (no value can be a Time otherwise)."""
    module = sys.modules.get("astropy.time")
    return getattr(module, "Time", None)


# The unit of each input that an astropy Quantity is converted to; tt, two
# numbers of different units, is no Quantity.
_UNITS = {"xp": "arcsec", "yp": "arcsec", "dX": "arcsec", "dY": "arcsec", "dut": "s"}


def _real_array(name, value):
    """value as a numpy array of a real dtype that converts exactly to float64, else TypeError."""
    # A Quantity is an ndarray of numbers in its own unit: read as plain
    # numbers, milliarcseconds would pass for arcseconds.
    quantity = getattr(sys.modules.get("astropy.units"), "Quantity", None)
    if quantity is not None and isinstance(value, quantity):
        if name not in _UNITS:
            raise TypeError(f"{name} must be plain numbers, not an astropy Quantity")
        value = value.to_value(_UNITS[name])  # UnitConversionError (a ValueError) if not an angle/time
    if isinstance(value, (str, bytes)):
        raise TypeError(f"{name} must be real numbers, not {type(value).__name__}")
    if np.ma.isMaskedArray(value):
        raise TypeError(f"{name} is a masked array: fill it (with NaN for example) first")
    a = np.asarray(value)
    # Booleans, complex, text, objects and dates are not numbers of a time or
    # an angle; long double would lose digits in float64.
    if a.dtype.kind not in "fiu" or (a.dtype.kind == "f" and a.dtype.itemsize > 8):
        raise TypeError(f"{name} must be real numbers (an integer or float dtype up to "
                        f"float64), not dtype {a.dtype}")
    return a


def _tt_array(tt):
    """TT as a column-major float64 (n, 2) array of MJD and seconds; an astropy Time converted."""
    time = _time_class()
    if time is not None and isinstance(tt, time):
        if tt.ndim > 1:
            raise ValueError(f"tt as a Time must be a scalar or one-dimensional, got shape {tt.shape}")
        # The TT Julian Date in astropy's two parts: jd1 holds whole or half
        # days, so that jd1 - 2400000.5 is exact; jd2 (|jd2| <= 1/2) becomes
        # seconds with one rounding, far below a nanosecond.
        jd1 = np.ravel(tt.tt.jd1)
        jd2 = np.ravel(tt.tt.jd2)
        return np.asfortranarray(np.stack([jd1 - 2400000.5, jd2 * 86400.0], axis=1))
    a = _real_array("tt", tt)
    if a.ndim != 2 or a.shape[1] != 2:
        raise ValueError(f"tt must have shape (n, 2) (TT MJD, seconds), got shape {a.shape}")
    return np.asfortranarray(a, dtype=np.float64)


def _column(name, a, n):
    """A checked real array a as float64 of shape (n,): a scalar, (n,), (n, 1), or one row broadcast."""
    if a.ndim > 2 or (a.ndim == 2 and a.shape[1] != 1) or (a.ndim >= 1 and a.shape[0] not in (n, 1)):
        raise ValueError(f"{name} must be a scalar or have shape (n,) or (n, 1) with n = {n}, "
                         f"the rows of tt; got shape {a.shape}")
    return np.ascontiguousarray(np.broadcast_to(a.reshape(-1), (n,)), dtype=np.float64)


def _threads(threads):
    """The thread count for the library: -1 for None (VARN_NUM_THREADS), else 0 or more."""
    if threads is None:
        return -1
    if isinstance(threads, (bool, np.bool_)) or not isinstance(threads, numbers.Integral):
        raise TypeError(f"threads must be a whole number or None, not {type(threads).__name__}")
    if not 0 <= threads <= _INT_MAX:
        raise ValueError(f"threads must be from 0 to {_INT_MAX} (0: one per hardware thread), "
                         f"got {threads}")
    return int(threads)


def _inputs(tt, xp, yp, dX, dY, dut):
    """All six inputs checked and converted, classes before shapes, before any work."""
    tt = _tt_array(tt)
    names = ("xp", "yp", "dX", "dY", "dut")
    arrays = [_real_array(name, value) for name, value in zip(names, (xp, yp, dX, dY, dut))]
    n = tt.shape[0]
    return [tt] + [_column(name, a, n) for name, a in zip(names, arrays)]


def compute(tt, xp, yp, dX, dY, dut, *, fast=False, threads=None):
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
        Time of any scale is taken through its TT two-part Julian Date.
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
        (Fortran) order, the library's own, so that nothing is copied.

    NaN and infinite inputs reach the outputs of their row, as in MATLAB;
    a date outside the calendar gives NaN in utc, ut1, gmst, gst, era, rc2t
    and the first tidal argument. n = 0 gives empty arrays of these shapes.
    The computation runs with the GIL released.

    Raises
    ------
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
    if not isinstance(fast, (bool, np.bool_)):
        raise TypeError(f"fast must be a bool, not {type(fast).__name__}")
    count = _threads(threads)
    args = _inputs(tt, xp, yp, dX, dY, dut)
    return Result(*_varn.compute(*args, bool(fast), count))


# Reader errors in the order of the library's status, with their messages
# (the file name, the line and the field fill them in).
_READ_ERRORS = [
    None,  # no error
    None,  # the file cannot be opened or read: OSError
    "EOP file {0!r} is in no known format (EOP 14 C04, EOP 20 C04, finals2000A).",
    "EOP file {0!r}, line {1}: malformed field {2}.",
    "EOP file {0!r}, line {1}: the MJD is not above that of the row before.",
    "EOP file {0!r}, line {1}: the rows are not equally spaced.",
    "EOP file {0!r} has fewer than four usable rows.",
    None,  # out of memory: MemoryError
]


class EopTable:
    """An IERS Earth orientation series, read by :func:`read_eop`.

    Attributes
    ----------
    layout : str
        ``"C04_14"`` (EOP 14 C04), ``"C04_20"`` (EOP 20 C04) or ``"finals2000A"``.
    span : tuple of float
        UTC MJD of the first and the last row.
    filename : str or bytes
        The file, as given to read_eop.

    ``len(table)`` is its number of rows.
    """

    def __init__(self, table, filename):
        self._table = table
        self.filename = filename

    def __len__(self):
        return len(self._table)

    @property
    def layout(self):
        return self._table.layout

    @property
    def span(self):
        return (self._table.mjd_first, self._table.mjd_last)

    def __repr__(self):
        return (f"<varn.EopTable {self.filename!r}: {self.layout}, {len(self)} rows, "
                f"MJD {self.span[0]} to {self.span[1]}>")

    def interpolate(self, tt):
        """Earth orientation at the epochs tt, ready for :func:`compute`.

        Parameters
        ----------
        tt : array_like, shape (n, 2), or astropy.time.Time
            TT as MJD plus seconds, as :func:`compute` takes it.

        Returns
        -------
        EopValues
            A named tuple of arrays of shape (n,): ``xp``, ``yp`` (pole,
            arcseconds), ``dX``, ``dY`` (celestial pole offsets, arcseconds),
            ``dut`` (UT1 - UTC, seconds), all float64, and ``predicted``
            (bool: the values lean on a row flagged as a prediction).

        Each epoch's UTC comes from TT by this library's time scales; each
        value is the four-point Lagrange polynomial through the rows around
        it. UT1 - UTC is interpolated as UT1 - TAI, continuous across a leap
        second. A missing value (blank dX or dY in finals2000A) near the
        epoch gives NaN for that quantity only.

        Warns
        -----
        EopRangeWarning
            Once per call, with their count and the table's span, when epochs
            lie outside the table: all their values are NaN and predicted is
            False. NaN epochs give NaN without a warning.

        Raises
        ------
        TypeError, ValueError
            A tt that :func:`compute` would refuse.

        Examples
        --------
        >>> eop = varn.read_eop("eopc04_14_IAU2000.62-now")
        >>> xp, yp, dX, dY, dut, predicted = eop.interpolate([[58849.0, 69.184]])
        """
        tt = _tt_array(tt)
        *values, outside = _varn.interpolate(self._table, tt)
        if outside > 0:
            first, last = self.span
            warnings.warn(EopRangeWarning(
                f"{outside} of {tt.shape[0]} epochs lie outside the EOP table, MJD {first:.2f} "
                f"to {last:.2f} (UTC); their values are NaN."), stacklevel=2)
        return EopValues(*values)


def read_eop(path):
    """Read an IERS Earth orientation file.

    Parameters
    ----------
    path : str, bytes or os.PathLike
        An EOP 14 C04 (IAU 2000A), EOP 20 C04 or finals2000A file, told apart
        by its content. Pole in arcseconds, UT1 - UTC in seconds, dX and dY
        in arcseconds (finals2000A's milliarcseconds converted).

    Returns
    -------
    EopTable
        The rows, equally spaced and increasing in MJD; ``len``, ``span``
        (MJD), ``layout``, and :meth:`EopTable.interpolate`.

    Raises
    ------
    OSError
        The file cannot be opened or read: FileNotFoundError,
        PermissionError, IsADirectoryError..., with errno and filename.
    EopFormatError
        A ValueError with ``line`` and ``field``: no known layout, a
        malformed field, a date that disagrees with its MJD, MJDs not
        increasing or not equally spaced, fewer than four usable rows.
    MemoryError
        The table does not fit in memory.

    Examples
    --------
    >>> eop = varn.read_eop("finals2000A.all")
    >>> len(eop), eop.layout, eop.span
    """
    name = os.fspath(path)
    encoded = os.fsencode(name)
    if b"\0" in encoded:
        raise ValueError(f"EOP file name {name!r} holds a NUL character")
    table, error, line, field, errno = _varn.read_eop(encoded)
    if table is not None:
        return EopTable(table, name)
    if error == 1:
        if errno:
            raise OSError(errno, os.strerror(errno), name)
        raise OSError(f"Cannot read EOP file {name!r}")
    if _READ_ERRORS[error] is None:
        raise MemoryError(f"Out of memory reading EOP file {name!r}")
    raise EopFormatError(_READ_ERRORS[error].format(name, line, field), name,
                         line if line > 0 else None, field or None)
