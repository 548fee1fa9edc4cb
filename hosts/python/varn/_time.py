"""Time stamps between UTC, TAI, TT and GPS time, and the leap-second table in force."""

import os
import warnings
from typing import Any, NamedTuple, Tuple

import numpy as np

from . import _varn
from ._errors import InvalidTimeWarning
from ._inputs import check_time_dtype, real_array
from ._leap import in_force, warn_expired


class TimeStamps(NamedTuple):
    """Time stamps of :func:`time`, in the scale converted to."""
    out: np.ndarray
    cal: np.ndarray


class LeapSeconds(NamedTuple):
    """The leap-second table in force (:func:`leap_seconds`)."""
    steps: np.ndarray
    expires: Tuple[int, int, int]
    expires_mjd: float
    source: str
    steps_source: str
    expiry_source: str


def _scale_name(name: str, value: Any) -> str:
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a time scale name ('UTC', 'TAI', 'TT', 'GPS'), "
                        f"not {type(value).__name__}")
    if value.upper() not in ("UTC", "TAI", "TT", "GPS"):
        raise ValueError(f"{name} must be one of 'UTC', 'TAI', 'TT', 'GPS', got {value!r}")
    return value


def time(t: Any, from_scale: str, to_scale: str) -> TimeStamps:
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
    a = real_array("t", t)
    check_time_dtype("t", a.dtype)
    _scale_name("from_scale", from_scale)
    _scale_name("to_scale", to_scale)
    if a.ndim == 1 and a.shape[0] in (2, 6):
        a = a.reshape(1, -1)
    if a.ndim != 2 or a.shape[1] not in (2, 6):
        raise ValueError(f"t must have shape (n, 2) (MJD, seconds) or (n, 6) (year, month, day, "
                         f"hour, minute, seconds), got shape {a.shape}")
    leap = in_force()
    out, cal, invalid, expired = _varn.convert_times(
        np.asfortranarray(a, dtype=np.float64), from_scale, to_scale, leap)
    warn_expired(leap, expired, a.shape[0])
    if invalid > 0:
        warnings.warn(InvalidTimeWarning(
            f"{invalid} of {a.shape[0]} epochs are no valid time of their scale (a date or time "
            f"of day that does not exist, or a value that is not finite); their rows are NaN."),
            stacklevel=2)
    return TimeStamps(out, cal)


def leap_seconds() -> LeapSeconds:
    """The table of TAI - UTC in force: built in, or the file named by VARN_LEAP_SECONDS.

    Returns
    -------
    LeapSeconds
        ``steps`` (k, 4) float64: year, month, day, TAI - UTC in seconds of
        each step from 1972 (the drift era before it is built in);
        ``expires`` (year, month, day) and ``expires_mjd``: the last day
        for which the table is known to be complete; ``source``:
        ``"built-in"`` or the file's path; ``steps_source`` and
        ``expiry_source``: where the steps and the expiry date came from,
        ``"built-in"`` or the file's path. A file that holds the built-in
        steps but expires before the built-in table does not shorten it:
        the later date stays, with ``expiry_source`` ``"built-in"``.

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
    leap = in_force()
    return LeapSeconds(leap.steps, leap.expires, leap.expires_mjd, os.fsdecode(leap.source),
                       os.fsdecode(leap.steps_source), os.fsdecode(leap.expiry_source))
