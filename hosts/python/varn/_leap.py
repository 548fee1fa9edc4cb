"""The leap-second table in force: built in, or the file named by VARN_LEAP_SECONDS."""

import os
import warnings

from . import _varn
from ._errors import LeapSecondFileError, LeapSecondsExpiredWarning


def in_force() -> "_varn.Leap":
    """The leap-second table in force, or LeapSecondFileError."""
    table, message, filename, line, reason = _varn.current_leap()
    if table is None:
        # Names and texts come as bytes: a file name need not be UTF-8.
        raise LeapSecondFileError(os.fsdecode(message), os.fsdecode(filename), line or None,
                                  os.fsdecode(reason))
    return table


def warn_expired(leap: "_varn.Leap", expired: int, n: int, stacklevel: int = 3) -> None:
    """One LeapSecondsExpiredWarning for the caller's caller, when any epoch is past the expiry."""
    if expired > 0:
        warnings.warn(LeapSecondsExpiredWarning(
            os.fsdecode(_varn.expiry_message(leap, expired, n))),
                      stacklevel=stacklevel)
