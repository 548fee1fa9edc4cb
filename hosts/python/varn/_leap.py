"""The leap-second table in force: built in, or the file named by VARN_LEAP_SECONDS."""

import os
import warnings

from . import _varn
from ._errors import LeapSecondFileError, LeapSecondsExpiredWarning


def environ_bytes(name: str) -> bytes:
    """An environment variable as bytes (b"" when unset), read with the GIL held.

    The extension never reads the environment itself: a getenv there, with
    the GIL released, could run while another thread sets a variable and
    the C library moves the environment.
    """
    if os.supports_bytes_environ:
        return os.environb.get(name.encode(), b"")
    return os.fsencode(os.environ.get(name, ""))


def in_force() -> "_varn.Leap":
    """The leap-second table in force, or LeapSecondFileError."""
    table, message, filename, line, reason = _varn.leap_table(environ_bytes("VARN_LEAP_SECONDS"))
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
