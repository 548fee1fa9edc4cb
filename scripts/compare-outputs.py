#!/usr/bin/env python3
"""Compares two files of varn_reference_dump (the same batch computed by two
builds, e.g. Linux x86-64 and a cross build) and prints how many outputs
differ in any bit, the largest absolute difference, and the largest in
units in the last place of the output's scale: 1 for the elements of the
three rotation matrices (the first 27 columns), the column's largest value
for the others. Exit status
1 when any output differs by more than --ulps (default 0: every bit).

    compare-outputs.py <reference.bin> <other.bin> [--ulps=N]
"""
import math
import struct
import sys

COLUMNS = 7 + 55  # the inputs, then the eighteen outputs' 55 columns
MATRIX_COLUMNS = 27  # rc2t, rc2i, rpom: nine each, first among the outputs


def read(name):
    with open(name, "rb") as f:
        data = f.read()
    n = int(struct.unpack_from("<d", data)[0])
    values = struct.unpack_from("<%dd" % (n * COLUMNS), data, 8)
    return n, values[7 * n:]


def main(argv):
    files = [a for a in argv[1:] if not a.startswith("--")]
    allowed = [float(a.split("=", 1)[1]) for a in argv[1:] if a.startswith("--ulps=")]
    if len(files) != 2:
        sys.exit(__doc__)
    (n, a), (m, b) = read(files[0]), read(files[1])
    if n != m or n == 0:
        sys.exit("different or empty batches: %d and %d epochs" % (n, m))
    differing, max_ulps, max_abs = 0, 0.0, 0.0
    for c in range(0, len(a), n):
        column = [v for v in a[c:c + n] + b[c:c + n] if math.isfinite(v)]
        unit = math.ulp(1.0 if c < MATRIX_COLUMNS * n else max((abs(v) for v in column), default=1.0))
        for x, y in zip(a[c:c + n], b[c:c + n]):
            if struct.pack("<d", x) == struct.pack("<d", y) or (math.isnan(x) and math.isnan(y)):
                continue
            differing += 1
            d = abs(x - y) if math.isfinite(x) and math.isfinite(y) else math.inf
            max_abs, max_ulps = max(max_abs, d), max(max_ulps, d / unit)
    print("%s vs %s: %d of %d outputs differ; at most %.3g absolute, %.3g ulp of the output's scale"
          % (files[0], files[1], differing, len(a), max_abs, max_ulps))
    return 1 if max_ulps > (allowed[0] if allowed else 0.0) or (differing and not allowed) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
