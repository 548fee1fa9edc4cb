"""update_data: current IERS files into the data folder, in one explicit call.

Each file is fetched from a list of URLs tried in turn into a temporary file
of the data folder; the library's own readers check it; only then an atomic
rename puts it in place, followed by its record. Two updaters at once leave
one whole valid file; a failed update leaves the previous file and its
record as they were. No computation calls this: reading uses what is in the
folder and never touches the network.
"""

import contextlib
import datetime
import hashlib
import http.client
import json
import os
import socket
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request
from typing import NamedTuple, Optional, Tuple

from . import _data, _leap, _varn
from ._errors import LeapSecondFileError

# The IERS data centre and the USNO rapid service publish the same
# finals2000A.all, updated daily; the IERS Earth Orientation Centre and the
# IANA time-zone database the leap-second table.
FINALS_URLS = ("https://datacenter.iers.org/data/9/finals2000A.all",
               "https://maia.usno.navy.mil/ser7/finals2000A.all")
LEAP_URLS = ("https://hpiers.obspm.fr/iers/bul/bulc/Leap_Second.dat",
             "https://data.iana.org/time-zones/data/leap-seconds.list")

# A file in place fetched less than this many seconds ago is not fetched again.
FRESH_S = 86400.0
# finals2000A.all is about 3.5 MB; anything far larger is no such file.
MAX_BYTES = 64 * 2**20
CHUNK = 64 * 1024
# Partial downloads left by a process that was killed, removed after a day.
PART_SUFFIX = ".part"


class UpdateResult(NamedTuple):
    """What :func:`update_data` did for one file.

    ``status`` is ``"updated"``, ``"up to date"`` (fetched less than a day
    ago, not fetched again) or ``"failed"`` (the file in place, if any, kept).
    ``path``, ``url``, ``fetched`` (ISO 8601 UTC) and ``span`` describe the
    data in place after the call: ``span`` is the UTC MJD of the first and
    last row with values of finals2000A.all, or of the first step and the
    expiry day of the leap-second table; None when no file is in place.
    ``message`` is one line for a log, naming each URL tried and why it was
    refused.
    """
    file: str
    status: str
    path: str
    url: Optional[str]
    fetched: Optional[str]
    span: Optional[Tuple[float, float]]
    message: str


class _Refused(Exception):
    """A URL that gave nothing usable; the text says what and why."""


def _url_list(name, given, variable, defaults):
    """The URLs to try: given (a str or a sequence of str), else the environment's, or defaults."""
    if given is None:
        env = os.environ.get(variable, "").split()
        return tuple(env) if env else defaults
    urls = (given,) if isinstance(given, str) else given
    try:
        urls = tuple(urls)
    except TypeError:
        raise TypeError(f"{name} must be a URL or a list of URLs, "
                        f"not {type(given).__name__}") from None
    if not urls or not all(isinstance(u, str) and u.strip() for u in urls):
        raise ValueError(f"{name} must be a non-empty URL or list of non-empty URLs, got {given!r}")
    return tuple(u.strip() for u in urls)


@contextlib.contextmanager
def _folder_lock(folder):
    """Keeps other updaters out while one compares with the file in place and replaces it.

    The folder itself is locked where the system allows it (no lock file is
    left behind); Windows locks a byte of the file .lock in it.
    """
    if os.name != "nt":
        import fcntl
        fd = os.open(folder, os.O_RDONLY)
        try:
            fcntl.flock(fd, fcntl.LOCK_EX)
            yield
        finally:
            os.close(fd)  # releases the lock
        return
    import msvcrt
    with open(os.path.join(folder, ".lock"), "a+b") as f:
        f.seek(0)
        msvcrt.locking(f.fileno(), msvcrt.LK_LOCK, 1)
        try:
            yield
        finally:
            f.seek(0)
            msvcrt.locking(f.fileno(), msvcrt.LK_UNLCK, 1)


def _remove_old_parts(folder, now):
    for entry in os.scandir(folder):
        if entry.name.startswith(".") and entry.name.endswith(PART_SUFFIX):
            with contextlib.suppress(OSError):
                if now - entry.stat().st_mtime > FRESH_S:
                    os.unlink(entry.path)


class _Progress:
    """One line on a terminal's stderr, rewritten as bytes arrive; silent otherwise (cron)."""

    def __init__(self, name, url, total):
        self.shown = sys.stderr is not None and sys.stderr.isatty()
        self.text = f"{name} from {urllib.parse.urlsplit(url).netloc or url}"
        self.total = total
        self.last = 0.0

    def __call__(self, got, done=False):
        if not self.shown or (not done and time.monotonic() - self.last < 0.2):
            return
        self.last = time.monotonic()
        size = f"{got / 1e6:.1f}" + (f" of {self.total / 1e6:.1f}" if self.total else "")
        sys.stderr.write(f"\r{self.text}: {size} MB" + ("\n" if done else ""))
        sys.stderr.flush()


def _download(url, name, folder, timeout):
    """The body at url in a new temporary file of folder; _Refused on any failure, nothing left.

    timeout bounds every wait: for the connection, the reply and each block of data.
    """
    if urllib.parse.urlsplit(url).scheme.lower() not in ("http", "https", "file"):
        raise _Refused(f"{url}: not an http, https or file URL")
    request = urllib.request.Request(url, headers={
        "User-Agent": f"varn/{_varn.__version__} (update_data)", "Accept-Encoding": "identity"})
    fd, part = tempfile.mkstemp(prefix=f".{name}.", suffix=PART_SUFFIX, dir=folder)
    try:
        with os.fdopen(fd, "wb") as out:
            with urllib.request.urlopen(request, timeout=timeout) as response:
                kind = response.headers.get("Content-Type", "") or ""
                length = (response.headers.get("Content-Length") or "").strip()
                expected = int(length) if length.isdigit() else None
                if "html" in kind.lower():
                    raise _Refused(f"{url} gave an HTML page ({kind}), not the data file")
                if expected is not None and expected > MAX_BYTES:
                    raise _Refused(f"{url} announced {expected} bytes, far more than a {name}")
                progress = _Progress(name, url, expected)
                got = 0
                while True:
                    block = response.read(CHUNK)
                    if not block:
                        break
                    got += len(block)
                    if got > MAX_BYTES:
                        raise _Refused(f"{url} sent more than {MAX_BYTES} bytes, "
                                       f"far more than a {name}")
                    out.write(block)
                    progress(got)
                progress(got, done=True)
            if expected is not None and got != expected:
                raise _Refused(f"{url} gave a truncated file: {got} of {expected} bytes")
        return part
    except BaseException as e:
        with contextlib.suppress(OSError):
            os.unlink(part)
        if isinstance(e, _Refused):
            raise
        if isinstance(e, urllib.error.HTTPError):
            raise _Refused(f"{url}: HTTP error {e.code} {e.reason}") from None
        timeouts = (socket.timeout, TimeoutError)
        if isinstance(e, timeouts) or (
                isinstance(e, urllib.error.URLError) and isinstance(e.reason, timeouts)):
            raise _Refused(f"{url}: no answer within the timeout of {timeout:g} s") from None
        if isinstance(e, urllib.error.URLError):
            raise _Refused(f"{url}: {e.reason}") from None
        if isinstance(e, (http.client.HTTPException, OSError, ValueError)):
            raise _Refused(f"{url}: {type(e).__name__}: {e}") from None
        raise


def _text_checks(part, url, what):
    """The faults no reader sees: an HTML page and a file cut off in the middle of a line."""
    with open(part, "rb") as f:
        head = f.read(512)
        f.seek(0, os.SEEK_END)
        size = f.tell()
        if size:
            f.seek(size - 1)
        tail = f.read(1)
    if head.lstrip()[:1] == b"<" or b"<html" in head.lower():
        raise _Refused(f"{url} gave an HTML page, not {what}")
    if size == 0:
        raise _Refused(f"{url} gave an empty file")
    if tail != b"\n":
        raise _Refused(f"{url} gave a truncated file: its last line is cut off")


def _mjd(year, month, day):
    day = datetime.date(int(year), int(month), int(day))
    return float((day - datetime.date(1858, 11, 17)).days)


def _iso(mjd):
    return (datetime.date(1858, 11, 17) + datetime.timedelta(days=int(mjd))).isoformat()


# --- the two kinds of file: how each is checked and what its span is ---

def _leap_table(path, url):
    table, file, line, reason = _varn.leap_file(os.fsencode(path))
    if table is None:
        where = f", line {line}" if line else ""
        raise _Refused(f"{url} gave no valid leap-second file{where}: {os.fsdecode(reason)}")
    return table


def _leap_span(table):
    first = table.steps[0]
    return (_mjd(*first[:3]), float(table.expires_mjd))


def _leap_for_reading():
    """The leap-second table reading will use (_leap.in_force); _Refused for a faulty named file."""
    try:
        return _leap.in_force()
    except LeapSecondFileError as e:
        raise _Refused(f"the leap-second table in force cannot be had: {e}") from None


def _check_leap(part, url, folder, in_place):
    _text_checks(part, url, "a leap-second file")
    table = _leap_table(part, url)
    old = _varn.leap_file(os.fsencode(in_place))[0] if in_place else None
    if old is not None:
        steps, old_steps = table.steps, old.steps
        if len(steps) < len(old_steps) or (steps[:len(old_steps)] != old_steps).any():
            raise _Refused(f"{url} gave a leap-second table without steps of the file in place "
                           f"({len(steps)} steps where it has {len(old_steps)})")
        if table.expires_mjd < old.expires_mjd:
            raise _Refused(f"{url} gave an older leap-second file: it expires on "
                           f"{_iso(table.expires_mjd)}, the file in place on "
                           f"{_iso(old.expires_mjd)}")
    name = "leap-seconds.list" if _is_iana(part) else "Leap_Second.dat"
    last = table.steps[-1]
    return name, _leap_span(table), {"expires": _iso(table.expires_mjd),
                                     "last_step": [int(v) for v in last[:3]] + [float(last[3])]}


def _is_iana(path):
    with open(path, "rb") as f:
        return any(line.startswith(b"#@") for line in f)


def _eop_table(path, url, leap):
    shown = os.fsdecode(path).encode("utf-8", "backslashreplace")
    table, error, line, field, errno, mismatch = _varn.read_eop(os.fsencode(path), shown, leap)
    if table is not None:
        return table
    reasons = {2: "in no known EOP layout", 3: f"line {line}: malformed field {field}",
               4: f"line {line}: the MJD is not above that of the row before",
               5: f"line {line}: the rows are not equally spaced", 6: "fewer than four usable rows",
               7: "out of memory reading it"}
    if error == 8:  # the file and the leap-second table disagree
        raise _Refused(f"{url} gave a file that disagrees with the leap-second table: "
                       f"{os.fsdecode(mismatch[-1])}")
    raise _Refused(f"{url} gave no valid finals2000A file: "
                   f"{reasons.get(error, os.strerror(errno) if errno else 'unreadable')}")


def _check_finals(part, url, folder, in_place):
    _text_checks(part, url, "a finals2000A file")
    leap = _leap_for_reading()
    table = _eop_table(part, url, leap)
    if table.layout != "finals2000A":
        raise _Refused(f"{url} gave an EOP file of layout {table.layout}, not finals2000A")
    span = (table.mjd_first, table.mjd_last)
    if in_place:
        try:
            old = _eop_table(in_place, "the file in place", leap)
        except _Refused:
            old = None  # nothing usable in place: anything valid is better
        if old is not None and span[1] < old.mjd_last:
            raise _Refused(f"{url} gave an older file: its data end on {_iso(span[1])}, those "
                           f"of the file in place on {_iso(old.mjd_last)} (delete that file to "
                           f"accept it)")
    return _data.FINALS, span, {}


def _in_place(kind, folder):
    if kind == "finals":
        path = os.path.join(folder, _data.FINALS)
        return path if os.path.isfile(path) else None
    return _data.leap_file_in_folder(folder)


def _state(kind, folder):
    """(path, url, fetched, span) of the data in place."""
    path = _in_place(kind, folder)
    if path is None:
        name = _data.FINALS if kind == "finals" else _data.LEAP_NAMES[0]
        return os.path.join(folder, name), None, None, None
    record = _data.read_record(path) or {}
    span = record.get("span")
    span = tuple(span) if isinstance(span, list) and len(span) == 2 else None
    return path, record.get("url"), record.get("fetched"), span


def _write_record(path, record):
    fd, part = tempfile.mkstemp(prefix=f".{os.path.basename(path)}.", suffix=PART_SUFFIX,
                                dir=os.path.dirname(path))
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            json.dump(record, f, indent=1)
            f.write("\n")
        os.replace(part, _data.record_path(path))
    except BaseException:
        with contextlib.suppress(OSError):
            os.unlink(part)
        raise


def _update_one(kind, urls, folder, force, timeout):
    label = _data.FINALS if kind == "finals" else "leap-second file"
    check = _check_finals if kind == "finals" else _check_leap
    path, url, fetched, span = _state(kind, folder)
    age = _data.age_days(_data.read_record(path)) if _in_place(kind, folder) else None
    if not force and age is not None and 0 <= age * 86400.0 < FRESH_S:
        return UpdateResult(label, "up to date", path, url, fetched, span,
                            f"{label}: up to date, fetched {age * 24:.1f} hours ago from {url}")
    refused = []
    for source in urls:
        try:
            part = _download(source, label, folder, timeout)
        except _Refused as e:
            refused.append(str(e))
            continue
        try:
            with _folder_lock(folder):
                # Compared with the file in place now, under the lock, so that
                # a concurrent updater cannot slip an older file in between.
                in_place = _in_place(kind, folder)
                name, new_span, extra = check(part, source, folder, in_place)
                target = os.path.join(folder, name)
                with open(part, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
                now = time.time()
                stamp = datetime.datetime.fromtimestamp(now, datetime.timezone.utc)
                record = {"file": name, "url": source,
                          "fetched": stamp.isoformat(timespec="seconds"), "fetched_unix": int(now),
                          "bytes": os.path.getsize(part), "sha256": digest,
                          "span": list(new_span), **extra}
                os.replace(part, target)  # the data first: a record never names data not in place
                _write_record(target, record)
                for other in _data.LEAP_NAMES if kind == "leap" else ():
                    if other != name:  # the other layout's older file goes, with its record
                        gone = os.path.join(folder, other)
                        for stale in (gone, _data.record_path(gone)):
                            with contextlib.suppress(FileNotFoundError):
                                os.unlink(stale)
        except _Refused as e:
            refused.append(str(e))
            continue
        except OSError as e:
            refused.append(f"{source}: cannot put the file in place: {e}")
            continue
        finally:
            with contextlib.suppress(OSError):
                os.unlink(part)
        first, last = (_iso(v) for v in new_span)
        return UpdateResult(label, "updated", target, source, record["fetched"], tuple(new_span),
                            f"{label}: updated from {source}, {record['bytes']} bytes, "
                            f"data {first} to {last}"
                            + "".join(f"; before it, {r}" for r in refused))
    path, url, fetched, span = _state(kind, folder)
    kept = (f"the file in place kept ({path}, fetched {fetched or 'at an unknown time'})"
            if _in_place(kind, folder) else f"no file in place ({folder})")
    return UpdateResult(label, "failed", path, url, fetched, span,
                        f"{label}: update failed, {kept}: " + "; ".join(refused))


def update_data(finals=None, leap=None, *, force=False, timeout=30.0):
    """Fetch current finals2000A.all and leap-second files into the data folder.

    The only function of varn that uses the network. Each file comes from
    the first URL of its list that gives a valid file; it is downloaded into
    a temporary file of the data folder, checked by the library's readers
    (an HTML page, a truncated file, a file the leap-second table disagrees
    with, or one older than the file in place is refused), and only then
    renamed into place, atomically, with a record of its URL and fetch time
    (``<file>.json``). A failed update leaves the file in place and its
    record untouched. The leap-second file comes first, so that
    finals2000A.all is checked against the table that will read it.

    Parameters
    ----------
    finals, leap : str or sequence of str, optional
        URLs tried in turn (http, https or file). None: the environment
        variables VARN_FINALS_URLS and VARN_LEAP_URLS (space-separated URLs)
        when set, else the IERS data centre and the USNO for finals2000A.all,
        the IERS and the IANA for the leap-second list. Proxies come from
        the usual variables (https_proxy, no_proxy, ...).
    force : bool, keyword only
        Fetch even a file fetched less than a day ago. Default False.
    timeout : float, keyword only
        Seconds to wait for a connection, a reply or each block of data
        before the next URL is tried. Default 30.

    Returns
    -------
    list of UpdateResult
        One per file (the leap-second file, then finals2000A.all): its
        ``status`` (``"updated"``, ``"up to date"``, ``"failed"``), the
        data in place after the call (``path``, ``url``, ``fetched``,
        ``span``) and a ``message`` that names every URL refused and why.
        A progress line goes to stderr when it is a terminal.

    Raises
    ------
    TypeError, ValueError
        Arguments of the wrong type or value.
    OSError
        The data folder cannot be created.

    Examples
    --------
    >>> for r in varn.update_data():
    ...     print(r.message)
    >>> varn.update_data(finals="https://mirror.example.org/iers/finals2000A.all")
    """
    finals_urls = _url_list("finals", finals, "VARN_FINALS_URLS", FINALS_URLS)
    leap_urls = _url_list("leap", leap, "VARN_LEAP_URLS", LEAP_URLS)
    if not isinstance(force, bool):
        raise TypeError(f"force must be a bool, not {type(force).__name__}")
    if isinstance(timeout, bool) or not isinstance(timeout, (int, float)):
        raise TypeError(f"timeout must be a number of seconds, not {type(timeout).__name__}")
    if not 0 < timeout < float("inf"):
        raise ValueError(f"timeout must be a positive number of seconds, got {timeout!r}")
    folder = _data.data_folder()
    os.makedirs(folder, exist_ok=True)
    _remove_old_parts(folder, time.time())
    return [_update_one("leap", leap_urls, folder, force, float(timeout)),
            _update_one("finals", finals_urls, folder, force, float(timeout))]
