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
time         time stamps between UTC, TAI, TT and GPS time
leap_seconds the table of TAI - UTC in force, with its expiry date
gcrs_to_itrs positions, velocities and accelerations from GCRS to ITRS
itrs_to_gcrs and back
varn.dask    the same computation on dask arrays, one task per chunk

The table of TAI - UTC is built in (IERS Bulletin C 72, valid until
2027 June 28); the environment variable VARN_LEAP_SECONDS names a newer
IERS Leap_Second.dat or IANA leap-seconds.list, read when it changes.
Epochs past the table's expiry give a LeapSecondsExpiredWarning.

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

import inspect
import numbers
import os
import sys
import warnings
from typing import NamedTuple

import numpy as np

from . import _varn

__version__ = _varn.__version__
__all__ = ["compute", "Result", "read_eop", "EopTable", "EopValues", "EopFormatError",
           "EopRangeWarning", "time", "TimeStamps", "leap_seconds", "LeapSeconds",
           "LeapSecondFileError", "LeapSecondMismatchError", "LeapSecondsExpiredWarning",
           "InvalidTimeWarning", "gcrs_to_itrs", "itrs_to_gcrs", "StateVectors", "__version__"]

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
    lod: np.ndarray


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


class LeapSecondMismatchError(EopFormatError):
    """An EOP file whose UT1 - UTC steps by a second where the leap-second table has no step.

    The file and the table in force disagree about a leap second: a file
    newer than the table, or predictions made before a step was announced.

    Attributes
    ----------
    mjd_before, mjd_after : float
        MJDs of the two rows.
    dut_step : float
        The file's step of UT1 - UTC between them, seconds.
    tai_utc_before, tai_utc_after : float
        The table's TAI - UTC on both, seconds.
    """

    def __init__(self, message, filename, line, field, mismatch):
        super().__init__(message, filename, line, field)
        (self.mjd_before, self.mjd_after, self.dut_step, self.tai_utc_before,
         self.tai_utc_after) = mismatch


class LeapSecondFileError(ValueError):
    """The leap-second file named by VARN_LEAP_SECONDS was refused; nothing of it is used.

    Attributes
    ----------
    filename : str
        The file.
    line : int or None
        The offending line, from 1; None when the fault is not on one line
        (the file cannot be read, a step or the expiry date is missing).
    reason : str
        What is wrong.
    """

    def __init__(self, message, filename, line, reason):
        super().__init__(message)
        self.filename = filename
        self.line = line
        self.reason = reason


class LeapSecondsExpiredWarning(UserWarning):
    """Epochs whose UTC lies after the leap-second table's expiry date.

    Their results assume no leap second after the last known one. Name a
    newer IERS Leap_Second.dat or leap-seconds.list in VARN_LEAP_SECONDS; to
    silence it knowingly: ``warnings.simplefilter("ignore", varn.LeapSecondsExpiredWarning)``.
    """


class InvalidTimeWarning(UserWarning):
    """Time stamps that do not exist in their scale (:func:`time`): their rows are NaN."""


def _leap():
    """The leap-second table in force, or LeapSecondFileError."""
    table, message, filename, line, reason = _varn.current_leap()
    if table is None:
        raise LeapSecondFileError(message, filename, line or None, reason)
    return table


def _warn_expired(leap, expired, n):
    """One LeapSecondsExpiredWarning for the caller's caller, when any epoch is past the expiry."""
    if expired > 0:
        warnings.warn(LeapSecondsExpiredWarning(_varn.expiry_message(leap, expired, n)),
                      stacklevel=3)


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

    Warns
    -----
    LeapSecondsExpiredWarning
        Once per call, when epochs lie after the leap-second table's expiry.

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
    if not isinstance(fast, (bool, np.bool_)):
        raise TypeError(f"fast must be a bool, not {type(fast).__name__}")
    count = _threads(threads)
    args = _inputs(tt, xp, yp, dX, dY, dut)
    leap = _leap()
    result, expired = _varn.compute(*args, bool(fast), count, leap)
    _warn_expired(leap, expired, args[0].shape[0])
    return Result(*result)


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
    None,  # a leap second the table in force does not know: LeapSecondMismatchError
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

        The table is used only under the leap-second table it was read
        under: when VARN_LEAP_SECONDS, or the file behind it, has changed
        since, the EOP file is read again first (and may then raise as
        :func:`read_eop` does).

        Raises
        ------
        TypeError, ValueError
            A tt that :func:`compute` would refuse.
        LeapSecondFileError, LeapSecondMismatchError, OSError
            See :func:`read_eop`.

        Examples
        --------
        >>> eop = varn.read_eop("eopc04_14_IAU2000.62-now")
        >>> xp, yp, dX, dY, dut, predicted = eop.interpolate([[58849.0, 69.184]])
        """
        tt = _tt_array(tt)
        leap = _leap()
        if not self._table.parsed_under(leap):
            # UT1 - TAI of the rows was formed with TAI - UTC of another table:
            # read the file again under the table in force.
            self._table = read_eop(self.filename)._table
        *values, outside, expired = _varn.interpolate(self._table, tt)
        _warn_expired(leap, expired, tt.shape[0])
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
    LeapSecondMismatchError
        An EopFormatError: UT1 - TAI changes by 0.5 s or more between two
        rows, a leap second that the leap-second table in force does not
        know (or one the file does not show).
    LeapSecondFileError
        The file named by VARN_LEAP_SECONDS was refused.
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
    shown = os.fsdecode(name).encode("utf-8", "backslashreplace")  # the name in messages
    table, error, line, field, errno, mismatch = _varn.read_eop(encoded, shown, _leap())
    if table is not None:
        return EopTable(table, name)
    if error == len(_READ_ERRORS) - 1:
        *values, message = mismatch
        raise LeapSecondMismatchError(message, name, line, field or None, values)
    if error == 1:
        if errno:
            raise OSError(errno, os.strerror(errno), name)
        raise OSError(f"Cannot read EOP file {name!r}")
    if _READ_ERRORS[error] is None:
        raise MemoryError(f"Out of memory reading EOP file {name!r}")
    raise EopFormatError(_READ_ERRORS[error].format(name, line, field), name,
                         line if line > 0 else None, field or None)


class TimeStamps(NamedTuple):
    """Time stamps of :func:`time`, in the scale converted to."""
    out: np.ndarray
    cal: np.ndarray


class LeapSeconds(NamedTuple):
    """The leap-second table in force (:func:`leap_seconds`)."""
    steps: np.ndarray
    expires: tuple
    expires_mjd: float
    source: str


def _scale_name(name, value):
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a time scale name ('UTC', 'TAI', 'TT', 'GPS'), "
                        f"not {type(value).__name__}")
    if value.upper() not in ("UTC", "TAI", "TT", "GPS"):
        raise ValueError(f"{name} must be one of 'UTC', 'TAI', 'TT', 'GPS', got {value!r}")
    return value


def time(t, from_scale, to_scale):
    """Time stamps from one scale to another: UTC, TAI, TT or GPS time.

    UTC seconds are counted as clocks count them: on a day that ends with a
    leap second they run to 86401, and 23:59:60.5 is second 86400.5 (calendar
    ``[... 23, 59, 60.5]``). Before 1960 UTC is TAI; from 1960 to 1971 the
    published drift expressions hold, each value in force from 0h UTC of its
    date, and TAI to UTC is their exact inverse. TT = TAI + 32.184 s, GPS =
    TAI - 19 s.

    Parameters
    ----------
    t : array_like, shape (n, 2) or (n, 6); or one row, shape (2,) or (6,)
        In the ``from_scale``: MJD and seconds of the day, or year, month,
        day, hour, minute, seconds. TAI, TT and GPS seconds may take any
        value and are carried into the day; a UTC time must exist.
    from_scale, to_scale : str
        ``'UTC'``, ``'TAI'``, ``'TT'`` or ``'GPS'``, in any case.

    Returns
    -------
    TimeStamps
        ``out`` (n, 2): MJD (whole) and seconds in [0, length of that day);
        ``cal`` (n, 6): year, month, day, hour, minute, seconds; both in the
        ``to_scale``, float64.

    This is not the ``utc`` of :func:`compute`, which keeps a quasi-day on
    leap-second days (the seconds there are the fraction of the day times
    86400) and takes TAI - UTC two days ahead before 1972.

    Warns
    -----
    InvalidTimeWarning
        Once per call, with their count, for rows that are no time of their
        scale (second 60 on an ordinary day, month 13, 31 April, seconds
        past the end of the day, a value that is not finite): NaN rows.
    LeapSecondsExpiredWarning
        Once per call, for epochs after the leap-second table's expiry.

    Raises
    ------
    TypeError
        t not real numbers; a scale that is not a str.
    ValueError
        t of another shape; an unknown scale name.
    LeapSecondFileError
        The file named by VARN_LEAP_SECONDS was refused.

    Examples
    --------
    >>> varn.time([2016, 12, 31, 23, 59, 60.5], "UTC", "TAI").out
    array([[57754. ,    36.5]])
    >>> tt = varn.time(gps_stamps, "GPS", "TT").out   # ready for varn.compute
    """
    a = _real_array("t", t)
    _scale_name("from_scale", from_scale)
    _scale_name("to_scale", to_scale)
    if a.ndim == 1 and a.shape[0] in (2, 6):
        a = a.reshape(1, -1)
    if a.ndim != 2 or a.shape[1] not in (2, 6):
        raise ValueError(f"t must have shape (n, 2) (MJD, seconds) or (n, 6) (year, month, day, "
                         f"hour, minute, seconds), got shape {a.shape}")
    leap = _leap()
    out, cal, invalid, expired = _varn.convert_times(
        np.asfortranarray(a, dtype=np.float64), from_scale, to_scale, leap)
    _warn_expired(leap, expired, a.shape[0])
    if invalid > 0:
        warnings.warn(InvalidTimeWarning(
            f"{invalid} of {a.shape[0]} epochs are no valid time of their scale (a date or time "
            f"of day that does not exist, or a value that is not finite); their rows are NaN."),
            stacklevel=2)
    return TimeStamps(out, cal)


def leap_seconds():
    """The table of TAI - UTC in force: built in, or the file named by VARN_LEAP_SECONDS.

    Returns
    -------
    LeapSeconds
        ``steps`` (k, 4) float64: year, month, day, TAI - UTC in seconds of
        each step from 1972 (the drift era before it is built in);
        ``expires`` (year, month, day) and ``expires_mjd``: the last day
        for which the table is known to be complete; ``source``:
        ``"built-in"`` or the file's path.

    Raises
    ------
    LeapSecondFileError
        The file named by VARN_LEAP_SECONDS was refused: its name, line
        and reason.

    Examples
    --------
    >>> varn.leap_seconds().expires
    (2027, 6, 28)
    """
    leap = _leap()
    return LeapSeconds(leap.steps, leap.expires, leap.expires_mjd, leap.source)


class StateVectors(NamedTuple):
    """Position, velocity and acceleration in the target frame; None where not given."""
    r: np.ndarray
    v: np.ndarray
    a: np.ndarray


_STATE_NAMES = ("rc2t", "rpom", "r", "v", "a", "lod")


def _state_arguments(function, args, kwargs):
    """The arguments of gcrs_to_itrs/itrs_to_gcrs by name; a Result first stands for rc2t, rpom."""
    names = _STATE_NAMES
    if args and hasattr(args[0], "rc2t") and hasattr(args[0], "rpom"):
        args = (args[0].rc2t, args[0].rpom) + tuple(args[1:])
    if len(args) > len(names):
        raise TypeError(f"{function}() takes at most {len(names)} positional arguments")
    given = dict(zip(names, args))
    for key, value in kwargs.items():
        if key not in names or key in given:
            raise TypeError(f"{function}() got an unexpected or repeated argument {key!r}")
        given[key] = value
    for key in ("rc2t", "rpom", "r"):
        if key not in given:
            raise TypeError(f"{function}() missing the argument {key!r}")
    lod = given.get("lod")
    return [given.get(key) for key in names[:5]] + [0.0 if lod is None else lod]


def _state_batch(rc2t, rpom, r, v, a, lod):
    """The arguments checked, as float64 arrays broadcast to n rows (stride 0 for one row)."""
    inputs = {"rc2t": rc2t, "rpom": rpom, "r": r, "v": v, "a": a}
    arrays = {k: _real_array(k, x) for k, x in inputs.items() if x is not None}
    lod = _real_array("lod", lod)
    rows = []
    for k, x in arrays.items():
        core = (3, 3) if k in ("rc2t", "rpom") else (3,)
        if x.shape[-len(core):] != core or x.ndim not in (len(core), len(core) + 1):
            raise ValueError(f"{k} must have shape (n,) + {core} or {core}, got {x.shape}")
        if x.ndim > len(core):
            rows.append((k, x.shape[0]))
    if lod.ndim > 2 or (lod.ndim == 2 and lod.shape[1] != 1):
        raise ValueError(f"lod must be a scalar or have shape (n,) or (n, 1), got {lod.shape}")
    if lod.ndim >= 1:
        rows.append(("lod", lod.shape[0]))
    n = max((m for _, m in rows), default=1)
    for k, m in rows:
        if m not in (1, n):
            raise ValueError(f"{k} has {m} rows where the other inputs have {n}")
    if "a" in arrays and "v" not in arrays:
        raise ValueError("an acceleration needs the velocity v as well")

    def spread(x, core):
        x = np.asarray(x, dtype=np.float64)
        if any(s % x.itemsize for s in x.strides):  # a view into records
            x = np.ascontiguousarray(x)
        return np.broadcast_to(x, (n,) + core)

    out = [spread(arrays[k], (3, 3)) for k in ("rc2t", "rpom")]
    out += [spread(arrays[k], (3,)) if k in arrays else None for k in ("r", "v", "a")]
    out.append(np.broadcast_to(np.asarray(lod, dtype=np.float64).reshape(-1), (n,)))
    return out


def _transform(to_itrs, function, args, kwargs):
    threads = _threads(kwargs.pop("threads", None))
    batch = _state_batch(*_state_arguments(function, args, kwargs))
    return StateVectors(*_varn.transform(to_itrs, *batch, threads))


def gcrs_to_itrs(*args, **kwargs):
    """Positions, velocities and accelerations from the GCRS to the ITRS.

    ``gcrs_to_itrs(rc2t, rpom, r, v=None, a=None, lod=0.0, *, threads=None)``,
    or ``gcrs_to_itrs(result, r, v=None, a=None, lod=0.0)`` with the Result of
    :func:`compute` in place of its ``rc2t`` and ``rpom``.

    Per row, with W = rpom and RQ = W.T @ rc2t (Earth rotation times the
    celestial-to-intermediate matrix), and w = (0, 0, omega) in the
    terrestrial intermediate frame, omega = 7.292115146706979e-5 *
    (1 - lod / 86400) rad/s::

        r' = RQ r;  v' = RQ v - w x r';  a' = RQ a - 2 w x v' - w x (w x r')
        r_ITRS = W r';  v_ITRS = W v';  a_ITRS = W a'

    The rates of W and of the precession-nutation are left out: against the
    numerical derivative of varn's own rc2t over 1900-2100 the velocity is
    within 1e-11 s^-1 * |r| (0.05 mm/s in low orbit).

    Parameters
    ----------
    rc2t, rpom : array_like, shape (n, 3, 3) or (3, 3)
        Celestial-to-terrestrial and polar-motion matrices, as
        :func:`compute` returns them.
    r : array_like, shape (n, 3) or (3,)
        Position, any length unit.
    v, a : array_like, shape (n, 3) or (3,), optional
        Velocity per second, acceleration per second squared (a needs v).
    lod : array_like, shape (n,) or (n, 1), or scalar, optional
        Excess length of day, seconds; default (or None) 0.
    threads : int or None, keyword only
        As in :func:`compute`.

    One-row inputs are broadcast to the n rows of the others.

    Returns
    -------
    StateVectors
        ``r``, ``v``, ``a`` in the ITRS, float64 (n, 3); v and a are None
        where not given. A NaN input gives NaN in its own row only.

    Raises
    ------
    TypeError
        Inputs that are not real numbers; a missing rc2t, rpom or r;
        unknown arguments.
    ValueError
        Shapes other than the above, row counts that differ, a without v.

    Examples
    --------
    >>> res = varn.compute(tt, xp, yp, dX, dY, dut)
    >>> r_itrs, v_itrs, _ = varn.gcrs_to_itrs(res, r_gcrs, v_gcrs)
    """
    return _transform(True, "gcrs_to_itrs", args, kwargs)


def itrs_to_gcrs(*args, **kwargs):
    """Positions, velocities and accelerations from the ITRS to the GCRS.

    ``itrs_to_gcrs(rc2t, rpom, r, v=None, a=None, lod=0.0, *, threads=None)``,
    or with the Result of :func:`compute` in place of rc2t and rpom: the
    exact inverse of :func:`gcrs_to_itrs`, step by step::

        r' = W.T r;  v' = W.T v;  a' = W.T a
        r = RQ.T r';  v = RQ.T (v' + w x r');  a = RQ.T (a' + 2 w x v' + w x (w x r'))

    so that a round trip returns its input to rounding. Arguments, returns
    and errors as :func:`gcrs_to_itrs`, the inputs in the ITRS and the
    results in the GCRS.

    Examples
    --------
    >>> station = [4075539.0, 931735.0, 4801629.0]        # m, ITRS, at rest
    >>> r, v, _ = varn.itrs_to_gcrs(res, station, [0.0, 0.0, 0.0])
    """
    return _transform(False, "itrs_to_gcrs", args, kwargs)


def _state_signature():
    """The signature help() shows: the matrix form (a Result may stand for rc2t, rpom)."""
    P = inspect.Parameter
    return inspect.Signature(
        [P(name, P.POSITIONAL_OR_KEYWORD) for name in ("rc2t", "rpom", "r")]
        + [P(name, P.POSITIONAL_OR_KEYWORD, default=None) for name in ("v", "a")]
        + [P("lod", P.POSITIONAL_OR_KEYWORD, default=0.0),
           P("threads", P.KEYWORD_ONLY, default=None)])


gcrs_to_itrs.__signature__ = itrs_to_gcrs.__signature__ = _state_signature()
