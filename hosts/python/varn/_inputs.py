"""The inputs of varn's functions: their checks and their conversion to what the library takes.

Every check runs before any work, classes before shapes, and names the
argument at fault. The dask front end (varn.dask) makes the same checks
from here on the metadata of lazy arrays.
"""

import numbers
import sys
import warnings
from typing import Any, List, Optional

import numpy as np

from . import _varn
from ._errors import InvalidTimeWarning
from ._leap import environ_bytes, in_force

_INT_MAX = 2**31 - 1

# The unit of each input that an astropy Quantity is converted to; tt, two
# numbers of different units, is no Quantity.
_UNITS = {"xp": "arcsec", "yp": "arcsec", "dX": "arcsec", "dY": "arcsec", "dut": "s"}

COLUMNS = ("xp", "yp", "dX", "dY", "dut")


def check_dtype(name: str, dtype: np.dtype) -> None:
    """TypeError unless dtype is real numbers that convert exactly to float64."""
    # Booleans, complex, text, objects and dates are not numbers of a time or
    # an angle; long double would lose digits in float64.
    if dtype.kind not in "fiu" or (dtype.kind == "f" and dtype.itemsize > 8):
        raise TypeError(f"{name} must be real numbers (an integer or float dtype up to "
                        f"float64), not dtype {dtype}")


def real_array(name: str, value: Any) -> np.ndarray:
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
    check_dtype(name, a.dtype)
    return a


def check_time_dtype(name: str, dtype: np.dtype) -> None:
    """check_dtype, and TypeError for floats narrower than float64, too coarse for a time."""
    check_dtype(name, dtype)
    # An MJD of our era lies in [2^15, 2^16): float32 keeps 24 bits of it,
    # steps of 2^-8 day (337.5 s); float16 cannot even hold it.
    if dtype.kind == "f" and dtype.itemsize < 8:
        raise TypeError(f"{name} must be float64 (or integers), not {dtype}: {dtype} is too coarse "
                        f"for a time (a float32 MJD steps by 337.5 s at MJD 58849, float16 cannot "
                        f"hold one)")


def time_class() -> Optional[type]:
    """astropy's Time, when astropy.time is already loaded (no value can be a Time otherwise)."""
    module = sys.modules.get("astropy.time")
    return getattr(module, "Time", None)


def _utc_stamps(time: Any) -> np.ndarray:
    """A UTC Time as (MJD, seconds into the UTC day) from its own calendar, not astropy's TAI."""
    from erfa import ufunc as erfa  # astropy's own dependency, present wherever a Time is
    # astropy holds UTC as a quasi Julian Date in two parts: whole days count
    # calendar days, and the fraction of a day is scaled by the length of
    # that day in astropy's leap-second table (86401 s on a day that ends
    # with a leap second, 86400 + the step on a day before a step of the
    # 1960s). Undoing that scale is all that is taken from astropy's table;
    # TAI - UTC then comes from varn's.
    jd1, jd2 = (np.ma.filled(np.ravel(jd), np.nan) for jd in (time.jd1, time.jd2))  # masked: NaN
    day = np.floor(jd1 - 2400000.5)
    fraction = (jd1 - 2400000.5 - day) + jd2
    whole = np.floor(fraction)
    day, fraction = day + whole, fraction - whole
    usable = np.isfinite(day) & np.isfinite(fraction) & (np.abs(day) < 1e7)
    d = np.where(usable, day, 0.0)
    y0, m0, d0 = erfa.jd2cal(2400000.5, d)[:3]
    y1, m1, d1 = erfa.jd2cal(2400000.5, d + 1.0)[:3]
    # A step at the end of the day: TAI - UTC at 0h tomorrow less today's
    # value carried on at today's drift rate (0 from 1972).
    step = erfa.dat(y1, m1, d1, 0.0)[0] - (2.0 * erfa.dat(y0, m0, d0, 0.5)[0]
                                           - erfa.dat(y0, m0, d0, 0.0)[0])
    seconds = fraction * (86400.0 + step)
    return np.asfortranarray(np.stack([np.where(usable, day, np.nan),
                                       np.where(usable, seconds, np.nan)], axis=1))


def tt_array(tt: Any, stacklevel: int = 3) -> np.ndarray:
    """TT as a column-major float64 (n, 2) array of MJD and seconds; an astropy Time converted.

    A Time in UTC is converted by varn's leap-second table, which may know a
    step that astropy's does not; a Time of another scale through its TT.
    """
    time = time_class()
    if time is not None and isinstance(tt, time):
        if tt.ndim > 1:
            raise ValueError(f"tt as a Time must be a scalar or one-dimensional, got shape {tt.shape}")
        if tt.scale == "utc":
            stamps = _utc_stamps(tt)
            out, _, invalid, _ = _varn.convert_times(stamps, "UTC", "TT", in_force())
            invalid -= int(np.isnan(stamps).any(axis=1).sum())
            if invalid > 0:
                warnings.warn(InvalidTimeWarning(
                    f"{invalid} of {len(stamps)} UTC times of tt are no time under varn's "
                    f"leap-second table (a second 60 on a day without a leap second); their "
                    f"rows are NaN."), stacklevel=stacklevel)
            return out
        # The TT Julian Date in astropy's two parts: jd1 holds whole or half
        # days, so that jd1 - 2400000.5 is exact; jd2 (|jd2| <= 1/2) becomes
        # seconds with one rounding, far below a nanosecond.
        jd1 = np.ravel(tt.tt.jd1)
        jd2 = np.ravel(tt.tt.jd2)
        return np.asfortranarray(np.stack([jd1 - 2400000.5, jd2 * 86400.0], axis=1))
    a = real_array("tt", tt)
    check_time_dtype("tt", a.dtype)
    if a.ndim != 2 or a.shape[1] != 2:
        raise ValueError(f"tt must have shape (n, 2) (TT MJD, seconds), got shape {a.shape}")
    return np.asfortranarray(a, dtype=np.float64)


def column_shape_error(name: str, shape: tuple, n: int) -> ValueError:
    return ValueError(f"{name} must be a scalar or have shape (n,) or (n, 1) with n = {n}, "
                      f"the rows of tt; got shape {shape}")


def fits_rows(shape: tuple, n: int) -> bool:
    """Whether an input of this shape is a scalar, (n,), (n, 1), or one row to broadcast."""
    return not (len(shape) > 2 or (len(shape) == 2 and shape[1] != 1)
                or (len(shape) >= 1 and shape[0] not in (n, 1)))


def column(name: str, a: np.ndarray, n: int) -> np.ndarray:
    """A checked real array a as float64 of shape (n,): a scalar, (n,), (n, 1), or one row broadcast."""
    if not fits_rows(a.shape, n):
        raise column_shape_error(name, a.shape, n)
    return np.ascontiguousarray(np.broadcast_to(a.reshape(-1), (n,)), dtype=np.float64)


def thread_count(threads: Optional[int]) -> int:
    """The thread count for the library, 0 or more (0: one per hardware thread).

    None takes VARN_NUM_THREADS (decimal digits only, else 0).
    """
    if threads is None:
        return _varn.parse_thread_count(environ_bytes("VARN_NUM_THREADS"))
    if isinstance(threads, (bool, np.bool_)) or not isinstance(threads, numbers.Integral):
        raise TypeError(f"threads must be a whole number or None, not {type(threads).__name__}")
    if not 0 <= threads <= _INT_MAX:
        raise ValueError(f"threads must be from 0 to {_INT_MAX} (0: one per hardware thread), "
                         f"got {threads}")
    return int(threads)


def check_fast(fast: Any) -> None:
    if not isinstance(fast, (bool, np.bool_)):
        raise TypeError(f"fast must be a bool, not {type(fast).__name__}")


def compute_inputs(tt: Any, xp: Any, yp: Any, dX: Any, dY: Any, dut: Any) -> List[np.ndarray]:
    """All six inputs of compute checked and converted, classes before shapes, before any work."""
    tt = tt_array(tt, stacklevel=4)
    arrays = [real_array(name, value) for name, value in zip(COLUMNS, (xp, yp, dX, dY, dut))]
    n = tt.shape[0]
    return [tt] + [column(name, a, n) for name, a in zip(COLUMNS, arrays)]
