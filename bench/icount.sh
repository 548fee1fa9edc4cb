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
