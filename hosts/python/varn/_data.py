"""The data folder: where update_data keeps current IERS files, and their records.

The folder holds ``finals2000A.all`` (the IERS rapid service's daily Earth
orientation with a year of predictions) and a leap-second file
(``Leap_Second.dat`` or ``leap-seconds.list``). Beside each file lies its
record, ``<file>.json``: the URL it came from, when it was fetched, and the
span of its data. Only :func:`varn.update_data` writes there; reading never
touches the network.
"""

import datetime
import errno
import json
import os
import sys

from . import _varn

FINALS = "finals2000A.all"
LEAP_NAMES = ("Leap_Second.dat", "leap-seconds.list")
# Age, in days, after which reading a file of the folder warns.
STALE_DAYS = 30
UPDATE_COMMANDS = "varn.update_data() or, from a shell, python -m varn update"


def data_folder():
    """The data folder (it need not exist yet): VARN_DATA_DIR, else the user's cache folder.

    ``$XDG_CACHE_HOME/varn`` or ``~/.cache/varn`` on Linux and other Unix
    systems, ``~/Library/Caches/varn`` on macOS, ``%LOCALAPPDATA%\\varn`` on
    Windows. The environment is read on every call.
    """
    given = os.environ.get("VARN_DATA_DIR")
    if given:
        return os.path.abspath(os.path.expanduser(given))
    if sys.platform == "win32":
        base = (os.environ.get("LOCALAPPDATA")
                or os.path.join(os.path.expanduser("~"), "AppData", "Local"))
    elif sys.platform == "darwin":
        base = os.path.join(os.path.expanduser("~"), "Library", "Caches")
    else:
        # The XDG rule: a relative XDG_CACHE_HOME is invalid and ignored.
        base = os.environ.get("XDG_CACHE_HOME", "")
        if not os.path.isabs(base):
            base = os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "varn")


def record_path(path):
    return path + ".json"


def read_record(path):
    """The record of a data file as a dict, or None when it is missing or unreadable."""
    try:
        with open(record_path(path), encoding="utf-8") as f:
            record = json.load(f)
    except (OSError, ValueError):
        return None
    return record if isinstance(record, dict) else None


def fetched_at(record):
    """The fetch time of a record as an aware UTC datetime, or None."""
    try:
        stamp = float(record["fetched_unix"])
        return datetime.datetime.fromtimestamp(stamp, datetime.timezone.utc)
    except (KeyError, TypeError, ValueError, OverflowError, OSError):
        return None


def age_days(record, now=None):
    """Days since the record's fetch time, or None when it is unknown."""
    when = fetched_at(record) if record else None
    if when is None:
        return None
    now = now or datetime.datetime.now(datetime.timezone.utc)
    return (now - when).total_seconds() / 86400.0


def leap_file_in_folder(folder):
    """The folder's leap-second file: of the two names, the one fetched last; None if neither."""
    if not os.path.isdir(folder):  # the usual case without a folder: one stat
        return None
    found = [path for path in (os.path.join(folder, name) for name in LEAP_NAMES)
             if os.path.isfile(path)]
    if len(found) < 2:  # the usual case reads no record
        return found[0] if found else None
    return max(found, key=lambda p: (fetched_at(read_record(p) or {}) or
                                     datetime.datetime.min.replace(tzinfo=datetime.timezone.utc)))


def knows_more(table, other):
    """Whether a leap-second table knows more than another: a later expiry or a new step."""
    return table.expires_mjd > other.expires_mjd or len(table.steps) > len(other.steps)


def folder_leap(builtin):
    """The data folder's leap-second table when it is valid and knows more than builtin, else None.

    A faulty file there is passed over as if absent (update_data puts none
    there); the table's source names the file.
    """
    path = leap_file_in_folder(data_folder())
    if path is None:
        return None
    table = _varn.leap_table(os.fsencode(path))[0]
    return table if table is not None and knows_more(table, builtin) else None


def stale_message(path, record):
    """The text of a StaleDataWarning for a folder file, or None while it is fresh."""
    age = age_days(record)
    if age is None or age <= STALE_DAYS:
        return None
    return (f"{path} was fetched {age:.0f} days ago ({fetched_at(record):%Y-%m-%d}): its observed "
            f"values end there and its predictions grow worse; run {UPDATE_COMMANDS}.")


def missing_message(name, folder):
    return (f"No {name} in the data folder {folder}: run {UPDATE_COMMANDS} to fetch it "
            f"(set VARN_DATA_DIR to use another folder), or name a file.")


def finals_in_folder():
    """(path, stale warning text or None) of the folder's finals2000A.all, or FileNotFoundError."""
    folder = data_folder()
    path = os.path.join(folder, FINALS)
    if not os.path.isfile(path):
        raise FileNotFoundError(errno.ENOENT, missing_message(FINALS, folder), path)
    return path, stale_message(path, read_record(path))
