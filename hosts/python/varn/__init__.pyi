# Type stubs of varn: the signatures editors and type checkers show.
import os
from typing import Any, NamedTuple, Optional, Tuple, Union, overload

import numpy as np
import numpy.typing as npt

__version__: str

_Real = npt.ArrayLike          # a real scalar or array (integer or float dtype)
_Epochs = Any                  # array_like of shape (n, 2), or an astropy.time.Time

class Result(NamedTuple):
    rc2t: npt.NDArray[np.float64]        # (n, 3, 3) GCRS to ITRS
    rc2i: npt.NDArray[np.float64]        # (n, 3, 3) GCRS to CIRS
    rpom: npt.NDArray[np.float64]        # (n, 3, 3) TIRS to ITRS
    xp_rad: npt.NDArray[np.float64]      # (n,) rad
    yp_rad: npt.NDArray[np.float64]      # (n,) rad
    gmst: npt.NDArray[np.float64]        # (n,) rad
    gst: npt.NDArray[np.float64]         # (n,) rad
    utc: npt.NDArray[np.float64]         # (n, 2) MJD, s
    ut1: npt.NDArray[np.float64]         # (n, 2) MJD, s
    tidal_args: npt.NDArray[np.float64]  # (n, 11) rad
    t: npt.NDArray[np.float64]           # (n,) Julian centuries TT since J2000.0
    fa_l: npt.NDArray[np.float64]        # (n,) rad
    fa_lp: npt.NDArray[np.float64]       # (n,) rad
    fa_f: npt.NDArray[np.float64]        # (n,) rad
    fa_d: npt.NDArray[np.float64]        # (n,) rad
    fa_om: npt.NDArray[np.float64]       # (n,) rad
    tai: npt.NDArray[np.float64]         # (n, 2) MJD, s
    era: npt.NDArray[np.float64]         # (n,) rad

class EopValues(NamedTuple):
    xp: npt.NDArray[np.float64]          # (n,) arcsec
    yp: npt.NDArray[np.float64]          # (n,) arcsec
    dX: npt.NDArray[np.float64]          # (n,) arcsec
    dY: npt.NDArray[np.float64]          # (n,) arcsec
    dut: npt.NDArray[np.float64]         # (n,) s
    predicted: npt.NDArray[np.bool_]     # (n,)
    lod: npt.NDArray[np.float64]         # (n,) s, excess length of day

class EopFormatError(ValueError):
    filename: Union[str, bytes]
    line: Optional[int]
    field: Optional[str]
    def __init__(self, message: str, filename: Union[str, bytes], line: Optional[int],
                 field: Optional[str]) -> None: ...

class EopRangeWarning(UserWarning): ...

class LeapSecondMismatchError(EopFormatError):
    mjd_before: float
    mjd_after: float
    dut_step: float
    tai_utc_before: float
    tai_utc_after: float

class LeapSecondFileError(ValueError):
    filename: str
    line: Optional[int]
    reason: str

class LeapSecondsExpiredWarning(UserWarning): ...
class InvalidTimeWarning(UserWarning): ...

class TimeStamps(NamedTuple):
    out: npt.NDArray[np.float64]         # (n, 2) MJD, s
    cal: npt.NDArray[np.float64]         # (n, 6) year, month, day, hour, minute, s

class LeapSeconds(NamedTuple):
    steps: npt.NDArray[np.float64]       # (k, 4) year, month, day, TAI - UTC s
    expires: Tuple[int, int, int]
    expires_mjd: float
    source: str

class StateVectors(NamedTuple):
    r: npt.NDArray[np.float64]                      # (n, 3)
    v: Optional[npt.NDArray[np.float64]]            # (n, 3) per s
    a: Optional[npt.NDArray[np.float64]]            # (n, 3) per s^2

class EopTable:
    filename: Union[str, bytes]
    @property
    def layout(self) -> str: ...
    @property
    def span(self) -> Tuple[float, float]: ...
    def __len__(self) -> int: ...
    def interpolate(self, tt: _Epochs) -> EopValues: ...

def compute(tt: _Epochs, xp: _Real, yp: _Real, dX: _Real, dY: _Real, dut: _Real, *,
            fast: bool = ..., threads: Optional[int] = ...) -> Result: ...

def read_eop(path: Union[str, bytes, os.PathLike]) -> EopTable: ...

def time(t: _Real, from_scale: str, to_scale: str) -> TimeStamps: ...

def leap_seconds() -> LeapSeconds: ...

@overload
def gcrs_to_itrs(rc2t: _Real, rpom: _Real, r: _Real, v: Optional[_Real] = ...,
                 a: Optional[_Real] = ..., lod: _Real = ..., *,
                 threads: Optional[int] = ...) -> StateVectors: ...
@overload
def gcrs_to_itrs(result: Result, r: _Real, v: Optional[_Real] = ..., a: Optional[_Real] = ...,
                 lod: _Real = ..., *, threads: Optional[int] = ...) -> StateVectors: ...
@overload
def itrs_to_gcrs(rc2t: _Real, rpom: _Real, r: _Real, v: Optional[_Real] = ...,
                 a: Optional[_Real] = ..., lod: _Real = ..., *,
                 threads: Optional[int] = ...) -> StateVectors: ...
@overload
def itrs_to_gcrs(result: Result, r: _Real, v: Optional[_Real] = ..., a: Optional[_Real] = ...,
                 lod: _Real = ..., *, threads: Optional[int] = ...) -> StateVectors: ...
