#!/usr/bin/env bash
# Instructions per epoch of the pipeline against the bare ERFA floor, counted
# by callgrind: the same on a busy or a virtual machine, where clocks are not.
#
#   bench/icount.sh [build directory] [epochs]
set -euo pipefail
build=${1:-build}
n=${2:-200}
work="$build/bench/varn_work"
[ -x "$work" ] || { echo "icount: $work not built" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "icount: valgrind not found" >&2; exit 2; }

count() {  # total instructions of one run
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$work" "$1" "$2" 2>&1 >/dev/null |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
floor=$(( $(count floor "$n") - $(count floor 0) ))
pipe=$(( $(count pipeline "$n") - $(count pipeline 0) ))
awk -v f="$floor" -v p="$pipe" -v n="$n" 'BEGIN {
    printf "instructions per epoch (callgrind, %d epochs): ERFA floor %.0f, iau_compute %.0f, pipeline / floor = %.3f\n",
           n, f / n, p / n, p / f }'
# The fast computation on a day of 1 Hz epochs, nodes included.
day=86400
fast=$(( $(count fast "$day") - $(count fast 0) ))
awk -v f="$fast" -v p="$pipe" -v n="$n" -v d="$day" 'BEGIN {
    printf "iau_compute_fast, 1 Hz over a day: %.0f instructions per epoch, iau_compute / fast = %.1f\n",
           f / d, (p / n) / (f / d) }'
