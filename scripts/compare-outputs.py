#!/usr/bin/env python3
"""Compares two files of varn_reference_dump (the same batch computed by two
builds, e.g. Linux x86-64 and a cross build) and prints how many outputs
differ in any bit, by how many units in the last place at most, and the
largest absolute difference. Exit status 1 when any output differs, unless
--report-only is given.

    compare-outputs.py <reference.bin> <other.bin> [--report-only]
"""
import math
import struct
import sys

COLUMNS = 7 + 55  # the inputs, then the eighteen outputs' 55 columns


def read(name):
    with open(name, "rb") as f:
        data = f.read()
    n = int(struct.unpack_from("<d", data)[0])
    values = struct.unpack_from("<%dd" % (n * COLUMNS), data, 8)
    return n, values[7 * n:]


def ordered(x):
    """The double's bits as an integer that counts ulps across zero."""
    i = struct.unpack("<q", struct.pack("<d", x))[0]
    return i if i >= 0 else -(i & 0x7FFFFFFFFFFFFFFF)


def main(argv):
    files = [a for a in argv[1:] if not a.startswith("--")]
    if len(files) != 2:
        sys.exit(__doc__)
    (n, a), (m, b) = read(files[0]), read(files[1])
    if n != m:
        sys.exit("different batches: %d and %d epochs" % (n, m))
    differing, max_ulp, max_abs = 0, 0, 0.0
    for x, y in zip(a, b):
        if struct.pack("<d", x) == struct.pack("<d", y) or (math.isnan(x) and math.isnan(y)):
            continue
        differing += 1
        if math.isfinite(x) and math.isfinite(y):
            max_ulp = max(max_ulp, abs(ordered(x) - ordered(y)))
            max_abs = max(max_abs, abs(x - y))
        else:
            max_ulp, max_abs = math.inf, math.inf
    print("%s vs %s: %d of %d outputs differ; at most %s ulp, %.3g absolute"
          % (files[0], files[1], differing, len(a), max_ulp, max_abs))
    return 1 if differing and "--report-only" not in argv else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
