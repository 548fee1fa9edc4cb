"""The errors and warnings of varn: built-in classes, subclassed where callers tell cases apart."""

from typing import Optional, Tuple, Union


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

    def __init__(self, message: str, filename: Union[str, bytes], line: Optional[int],
                 field: Optional[str]) -> None:
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

    def __init__(self, message: str, filename: Union[str, bytes], line: Optional[int],
                 field: Optional[str], mismatch: Tuple[float, float, float, float, float]) -> None:
        super().__init__(message, filename, line, field)
        (self.mjd_before, self.mjd_after, self.dut_step, self.tai_utc_before,
         self.tai_utc_after) = mismatch


class LeapSecondFileError(ValueError):
    """The leap-second file named by VARN_LEAP_SECONDS was refused; nothing of it is used.

    Attributes
    ----------
    filename : str
        The file (a name that is not UTF-8 keeps its bytes as surrogate
        escapes: ``os.fsencode(filename)`` gives them back).
    line : int or None
        The offending line, from 1; None when the fault is not on one line
        (the file cannot be read, a step or the expiry date is missing).
    reason : str
        What is wrong.
    """

    def __init__(self, message: str, filename: str, line: Optional[int], reason: str) -> None:
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
