#!/usr/bin/env python3
"""Write the seed corpus of fuzz_varn into fuzz/corpus/.

Each seed is a short program for the harness: an operation selector followed
by its arguments, encoded the way the harness reads them. The harness takes
its integers from the end of the input, most significant byte first, so each
value is laid down little-endian in front of the ones already written.

    python3 fuzz/make_corpus.py            # rewrites fuzz/corpus/seed-*
"""
import os
import struct

# Operation selectors (first byte of each operation, modulo 8).
TTTAI, TAIUT1, DAT, UTCTAI, TAIUTC, UTCUT1, PIPELINE = range(7)
# Forms of a two-part date: (DJMJD0, MJD), (MJD, DJMJD0), (a, b), (0, JD).
SPLIT, SWAPPED, FREE, JD_ONLY = range(4)


class Seed:
    def __init__(self):
        self.buf = b""

    def _int(self, value, nbytes, minimum=0):
        r = value - minimum
        self.buf = r.to_bytes(nbytes, "little") + self.buf

    def u8(self, v):
        self._int(v, 1)

    def i32(self, v):
        self._int(v, 4, -(2**31))

    def double(self, x):
        """A raw double (tag mode 0)."""
        self.u8(0)
        (bits,) = struct.unpack("<Q", struct.pack("<d", x))
        self._int(bits, 8)

    def date(self, form, *parts):
        self.u8(form)
        for p in parts:
            self.double(p)

    def year(self, v):
        self.u8(1)  # raw int32
        self.i32(v)


def seeds():
    nan, inf = float("nan"), float("inf")
    out = {}

    # Time scales across the eras: pre-UTC, rubber seconds, the 2012 and
    # 2016 leap seconds, after the last step, the calendar limits.
    s = Seed()
    for mjd in (36000.0, 38395.25, 56108.9999, 57753.99999, 64000.0):
        s.u8(TAIUTC); s.date(SPLIT, mjd)
    s.u8(UTCTAI); s.date(SPLIT, 56109.0 - 1e-6)
    s.u8(UTCUT1); s.date(SPLIT, 57000.5); s.double(-0.3)
    s.u8(TAIUTC); s.date(JD_ONLY, -68569.5 - 2400000.5)
    out["seed-timescales"] = s.buf

    s = Seed()
    s.u8(TTTAI); s.date(FREE, nan, 51544.5)
    s.u8(TAIUT1); s.date(SWAPPED, 1e18); s.double(inf)
    s.u8(UTCTAI); s.date(FREE, 9.3e18, -9.3e18)
    s.u8(UTCUT1); s.date(SPLIT, -2431739.0 + 0.5); s.double(nan)
    s.u8(TAIUTC); s.date(SPLIT, 1e9 - 2400000.5 - 2.0)
    out["seed-timescales-limits"] = s.buf

    s = Seed()
    for y, m, d, f in ((1968, 2, 1, 0.0), (1959, 12, 31, 1.0), (-4800, 1, 1, 0.0),
                       (2023, 1, 1, nan), (1900, 2, 29, 0.5), (2**31 - 1, 12, 31, 0.0),
                       (1965, 13, 1, -0.1)):
        s.u8(DAT); s.year(y); s.year(m); s.year(d); s.double(f)
    out["seed-dat"] = s.buf

    def pipeline(rows):
        s = Seed()
        s.u8(PIPELINE)
        s.u8(8 + len(rows) - 1)  # not the n <= 0 branch
        for row in rows:
            for v in row:
                s.double(v)
        return s.buf

    # tt day, tt seconds, xp, yp, dX, dY, DUT
    out["seed-pipeline-normal"] = pipeline([
        (58000.0, 43200.0, 0.1, 0.3, 1e-4, -2e-4, -0.2),
        (56109.0, 32.0, 0.05, 0.4, 0.0, 0.0, 0.4),
        (41317.0, -86400.0, 0.0, 0.0, 0.0, 0.0, 0.0),
    ])
    out["seed-pipeline-bad"] = pipeline([
        (nan, 0.0, 0.1, 0.3, 0.0, 0.0, 0.0),
        (58000.0, inf, 0.1, 0.3, 0.0, 0.0, 0.0),
        (58000.0, 0.0, -inf, 0.3, nan, 0.0, inf),
        (-2468570.0 - 10.0, 0.0, 0.1, 0.3, 0.0, 0.0, 0.0),
        (1e9, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0),
        (2.0**31, 5e-324, 1e300, -1e300, 1e4, 1e6, 1e300),
        (-2431739.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0),
        (36931.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0),
    ])
    s = Seed()
    s.u8(PIPELINE); s.u8(1)  # n = -1: writes nothing
    out["seed-pipeline-empty"] = s.buf
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    corpus = os.path.join(here, "corpus")
    os.makedirs(corpus, exist_ok=True)
    for name, data in seeds().items():
        with open(os.path.join(corpus, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
