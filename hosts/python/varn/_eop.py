"""IERS Earth orientation files: the table of a file, interpolated to the epochs of a batch."""

import os
import warnings
from typing import Any, Dict, NamedTuple, Tuple, Union

import numpy as np

from . import _varn
from ._errors import EopFormatError, EopRangeWarning, LeapSecondMismatchError
from ._inputs import tt_array
from ._leap import in_force, warn_expired


class EopValues(NamedTuple):
    """Earth orientation at a batch of epochs (:meth:`EopTable.interpolate`)."""
    xp: np.ndarray
    yp: np.ndarray
    dX: np.ndarray
    dY: np.ndarray
    dut: np.ndarray
    predicted: np.ndarray
    lod: np.ndarray


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


def _column(name: str, doc: str) -> property:
    """A column of the table's rows as a read-only array of shape (N,)."""
    return property(lambda self: self._columns()[name], doc=doc)


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
    mjd, xp, yp, dX, dY, dut, lod : ndarray of float64, shape (N,)
        The usable rows as the file gives them: UTC MJD, pole (arcseconds),
        celestial pole offsets (arcseconds, NaN where blank), UT1 - UTC
        (seconds), excess length of day (seconds, NaN where blank; the C04
        LOD, or finals2000A's Bulletin A LOD converted from milliseconds).
    pred_pole, pred_ut1, pred_nut : ndarray of bool, shape (N,)
        Whether the row's pole, its UT1 - UTC (and LOD), its dX and dY are
        predictions (finals2000A's flags; all False in the C04 series).

    ``len(table)`` is its number of rows. The columns are read-only.

    Examples
    --------
    >>> eop = varn.read_eop("finals2000A.all")
    >>> final = ~(eop.pred_pole | eop.pred_ut1 | eop.pred_nut)
    >>> plt.plot(eop.mjd, eop.lod)
    """

    mjd = _column("mjd", "UTC MJD of each row, shape (N,).")
    xp = _column("xp", "Pole coordinate x of each row, arcseconds, shape (N,).")
    yp = _column("yp", "Pole coordinate y of each row, arcseconds, shape (N,).")
    dX = _column("dX", "Celestial pole offset dX of each row, arcseconds (NaN where blank).")
    dY = _column("dY", "Celestial pole offset dY of each row, arcseconds (NaN where blank).")
    dut = _column("dut", "UT1 - UTC of each row, seconds, shape (N,).")
    lod = _column("lod", "Excess length of day of each row, seconds (NaN where blank).")
    pred_pole = _column("pred_pole", "Whether the row's pole is a prediction, shape (N,).")
    pred_ut1 = _column("pred_ut1", "Whether the row's UT1 - UTC and LOD are a prediction.")
    pred_nut = _column("pred_nut", "Whether the row's dX, dY are a prediction (False where blank).")

    def __init__(self, table: "_varn.EopTable", filename: Union[str, bytes, os.PathLike]) -> None:
        self._table = table
        self.filename = filename
        self._cached = (None, {})

    def _columns(self) -> Dict[str, np.ndarray]:
        """The rows of the table in use as a dict of read-only arrays, made once per table."""
        table, columns = self._cached
        if table is not self._table:
            columns = self._table.columns()
            for a in columns.values():
                a.flags.writeable = False
            self._cached = (self._table, columns)
        return columns

    def __len__(self) -> int:
        return len(self._table)

    @property
    def layout(self) -> str:
        return self._table.layout

    @property
    def span(self) -> Tuple[float, float]:
        return (self._table.mjd_first, self._table.mjd_last)

    def __repr__(self) -> str:
        return (f"<varn.EopTable {self.filename!r}: {self.layout}, {len(self)} rows, "
                f"MJD {self.span[0]} to {self.span[1]}>")

    def interpolate(self, tt: Any) -> EopValues:
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
            ``dut`` (UT1 - UTC, seconds), all float64, ``predicted``
            (bool, see below) and ``lod`` (excess length of day, seconds,
            float64, as :func:`gcrs_to_itrs` takes it; NaN where a row used
            has none).

        Each epoch's UTC comes from TT by this library's time scales; each
        value is the four-point Lagrange polynomial through the rows around
        it. UT1 - UTC is interpolated as UT1 - TAI, continuous across a leap
        second. A missing value (blank dX, dY or LOD in finals2000A) near
        the epoch gives NaN for that quantity only.

        ``predicted`` is True where any of the four rows used has its pole,
        its UT1 or its nutation flagged as a prediction. Near the end of a
        finals2000A file the nutation turns to predictions up to about two
        months before the pole and UT1 do (and finals2000A.all flags the
        nutation of its first years too), so an epoch can be flagged while
        its pole and UT1 rest on final values; the table's ``pred_pole``,
        ``pred_ut1`` and ``pred_nut`` tell them apart.

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
        >>> xp, yp, dX, dY, dut, predicted, lod = eop.interpolate([[58849.0, 69.184]])
        """
        tt = tt_array(tt)
        leap = in_force()
        if not self._table.parsed_under(leap):
            # UT1 - TAI of the rows was formed with TAI - UTC of another table:
            # read the file again under the table in force.
            self._table = read_eop(self.filename)._table
        *values, outside, expired = _varn.interpolate(self._table, tt)
        warn_expired(leap, expired, tt.shape[0])
        if outside > 0:
            first, last = self.span
            warnings.warn(EopRangeWarning(
                f"{outside} of {tt.shape[0]} epochs lie outside the EOP table, MJD {first:.2f} "
                f"to {last:.2f} (UTC); their values are NaN."), stacklevel=2)
        return EopValues(*values)


def read_eop(path: Union[str, bytes, os.PathLike]) -> EopTable:
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
    table, error, line, field, errno, mismatch = _varn.read_eop(encoded, shown, in_force())
    if table is not None:
        return EopTable(table, name)
    if error == len(_READ_ERRORS) - 1:
        *values, message = mismatch
        raise LeapSecondMismatchError(os.fsdecode(message), name, line, field or None, values)
    if error == 1:
        if errno:
            raise OSError(errno, os.strerror(errno), name)
        raise OSError(f"Cannot read EOP file {name!r}")
    if _READ_ERRORS[error] is None:
        raise MemoryError(f"Out of memory reading EOP file {name!r}")
    raise EopFormatError(_READ_ERRORS[error].format(name, line, field), name,
                         line if line > 0 else None, field or None)
