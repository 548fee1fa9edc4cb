#!/bin/bash
# Hostile calls of the varn plug-in inside octave-cli under valgrind memcheck.
#
#   tests/octave/run_valgrind.sh <directory holding varn.mex> [calls]
#
# Runs stress_varn (default 300 calls) and fails when the plug-in reads or
# writes memory it does not own, uses an uninitialised value, frees wrongly or
# definitely leaks, on any path, the error paths included. Octave itself is
# not clean under memcheck (its interpreter, BLAS and libraries report their
# own errors and leaks), so only the errors whose stack passes through the
# plug-in count: a frame in varn.mex, or in the library code built into it.
# The run also fails when stress_varn reports a broken contract or octave-cli
# dies. The full memcheck log is kept when it fails, and copied to
# $VARN_VALGRIND_LOG when that is set.
set -u

if [ $# -lt 1 ] || [ ! -f "$1/varn.mex" ]; then
    echo "usage: $0 <directory holding varn.mex> [calls]" >&2
    exit 2
fi
mex_dir=$(cd "$1" && pwd)
calls=${2:-300}
here=$(cd "$(dirname "$0")" && pwd)
command -v valgrind >/dev/null || { echo "run_valgrind: valgrind not found" >&2; exit 2; }
command -v octave-cli >/dev/null || { echo "run_valgrind: octave-cli not found" >&2; exit 2; }

# A scratch directory as the working directory: nothing there shadows varn.
work=$(mktemp -d)
log="$work/memcheck.log"
out="$work/octave.out"
keep=0
cleanup() { [ "$keep" = 1 ] || rm -rf "$work"; }
trap cleanup EXIT
cd "$work"

# libhwy (loaded by Octave through its image libraries) reads the time stamp
# counter with RDTSCP in a start-up constructor, an instruction valgrind 3.19
# refuses on CPUs that do not advertise it (many virtual machines): octave-cli
# then dies of SIGILL before any call. The constructor only measures the
# timer's resolution; a preloaded stand-in returning 1 tick replaces it.
preload=""
if ldd "$(command -v octave-cli)" 2>/dev/null | grep -q libhwy; then
    cat >"$work/hwy_timer.cpp" <<'EOF_SHIM'
#include <cstdint>
namespace hwy { namespace platform { std::uint64_t TimerResolution() { return 1; } } }
EOF_SHIM
    if ${CXX:-c++} -shared -fPIC -O1 -o "$work/hwy_timer.so" "$work/hwy_timer.cpp"; then
        preload="$work/hwy_timer.so"
    else
        echo "run_valgrind: could not build the libhwy timer stand-in; trying without" >&2
    fi
fi

start=$(date +%s)
LD_PRELOAD="${preload}${LD_PRELOAD:+:$LD_PRELOAD}" \
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
         --errors-for-leak-kinds=definite --num-callers=50 --error-limit=no \
         --keep-debuginfo=yes \
         --log-file="$log" \
    octave-cli --no-gui --norc --quiet --path "$here" --path "$mex_dir" \
               --eval "stress_varn($calls)" >"$out" 2>&1
octave_status=$?
elapsed=$(( $(date +%s) - start ))
grep -v "ignoring const execution_exception" "$out"

# Split the log into records (one per error or leak, separated by an empty
# "==pid==" line) and keep those that are errors and pass through the plug-in.
# --keep-debuginfo keeps the plug-in's symbols after Octave unloads it at exit;
# a frame that still has no name right below Octave's call_mex is taken to be
# the plug-in too.
plugin_errors=$(awk '
    /^==[0-9]+== *$/ { flush(); next }
    { sub(/^==[0-9]+== /, ""); rec = rec $0 "\n" }
    END { flush() }
    function flush() {
        if (rec ~ /(Invalid (read|write|free)|Mismatched free|uninitialised|Conditional jump|Syscall param|overlap|definitely lost|Argument .* of function)/ &&
            (rec ~ /(varn\.mex|varn_mex\.cpp|mexFunction|varn::|iau_compute|time_scales\.cpp|\/models\/|\/pipeline\/)/ ||
             rec ~ /\?\?\?\n[^\n]*call_mex/))
            printf "%s\n", rec
        rec = ""
    }' "$log")

status=0
if [ "$octave_status" -ne 0 ]; then
    echo "run_valgrind: octave-cli exited with status $octave_status" >&2
    status=1
fi
if ! grep -q "^stress_varn: $calls calls" "$out"; then
    echo "run_valgrind: stress_varn did not finish" >&2
    status=1
fi
if [ -n "$plugin_errors" ]; then
    echo "run_valgrind: memcheck errors through the plug-in:" >&2
    printf '%s\n' "$plugin_errors" >&2
    status=1
fi
echo "run_valgrind: $calls calls under memcheck in ${elapsed} s;" \
     "$(grep -E 'ERROR SUMMARY' "$log" | sed 's/^==[0-9]*== //'), Octave's own included"
if [ -n "${VARN_VALGRIND_LOG:-}" ]; then
    cp "$log" "$VARN_VALGRIND_LOG"
fi
if [ "$status" -ne 0 ]; then
    keep=1
    echo "run_valgrind: full log kept in $log" >&2
fi
exit $status
