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
itrs_to_gcrs and back (also methods of a compute result: res.gcrs_to_itrs)
varn.dask    the same computation on dask arrays, one task per chunk

The table of TAI - UTC is built in (IERS Bulletin C 72, valid until
2027 June 28); the environment variable VARN_LEAP_SECONDS names a newer
IERS Leap_Second.dat or IANA leap-seconds.list, read when it changes.
Epochs past the table's expiry give a LeapSecondsExpiredWarning.

Every array varn returns is float64 in column-major (Fortran) order, the
library's own layout, which it fills in place: ``a[i]`` is epoch i, and
``np.ascontiguousarray`` gives C order where a consumer needs it. Inputs may
have any order or strides.

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

from . import _varn
from ._compute import Result, compute
from ._eop import EopTable, EopValues, read_eop
from ._errors import (EopFormatError, EopRangeWarning, InvalidTimeWarning, LeapSecondFileError,
                      LeapSecondMismatchError, LeapSecondsExpiredWarning)
from ._state import StateVectors, gcrs_to_itrs, itrs_to_gcrs
from ._time import LeapSeconds, TimeStamps, leap_seconds, time

__version__ = _varn.__version__
__all__ = ["compute", "Result", "read_eop", "EopTable", "EopValues", "EopFormatError",
           "EopRangeWarning", "time", "TimeStamps", "leap_seconds", "LeapSeconds",
           "LeapSecondFileError", "LeapSecondMismatchError", "LeapSecondsExpiredWarning",
           "InvalidTimeWarning", "gcrs_to_itrs", "itrs_to_gcrs", "StateVectors", "__version__"]

# The classes show as varn.X, where users find them.
for _name in __all__[:-1]:
    globals()[_name].__module__ = __name__
del _name
