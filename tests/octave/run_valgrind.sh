#!/bin/bash
# Host tests under valgrind memcheck: run_valgrind.sh <dir of varn.mex> [test names] (default
# test_contract, test_results, and test_eop, test_time, test_state where built: every error
# path, class and shape).
# Fails on an invalid access, uninitialised value, wrong free or definite leak whose stack
# passes through a plug-in (Octave itself is not clean), a failed test, or a dead octave-cli.
set -u
[ $# -ge 1 ] && [ -f "$1/varn.mex" ] || { echo "usage: $0 <dir of varn.mex> [tests]" >&2; exit 2; }
mex_dir=$(cd "$1" && pwd)
shift
tests="${*:-test_contract test_results}"
[ $# -eq 0 ] && [ -f "$mex_dir/varn_gcrs2itrs.mex" ] && tests="$tests test_state"
[ $# -eq 0 ] && [ -f "$mex_dir/varn_eop.mex" ] && tests="$tests test_eop"
[ $# -eq 0 ] && [ -f "$mex_dir/varn_time.mex" ] && tests="$tests test_time"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
cd "$work"
# libhwy (loaded by Octave's image libraries) reads the time stamp counter
# with RDTSCP in a start-up constructor, which valgrind 3.19 refuses on CPUs
# that do not advertise it: a preloaded stand-in returns a 1-tick resolution.
preload=""
if ldd "$(command -v octave-cli)" 2>/dev/null | grep -q libhwy; then
    echo 'namespace hwy { namespace platform { unsigned long TimerResolution() { return 1; } } }' >hwy.cpp
    ${CXX:-c++} -shared -fPIC -O1 -o hwy.so hwy.cpp && preload="$work/hwy.so"
fi
names=$(printf "'%s'," $tests)
LD_PRELOAD="$preload" valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
    --errors-for-leak-kinds=definite --num-callers=50 --error-limit=no --keep-debuginfo=yes \
    --log-file=memcheck.log octave-cli --no-gui --no-history --norc --quiet --path "$here" \
    --path "$mex_dir" --eval "exit(run_tests(${names%,}))" >out.txt 2>&1
status=$?
cat out.txt
# Records are separated by an empty "==pid==" line; keep the errors whose
# stack passes through a plug-in (or an unnamed frame below call_mex).
plugin_errors=$(awk '
    /^==[0-9]+== *$/ { flush(); next }
    { sub(/^==[0-9]+== /, ""); rec = rec $0 "\n" }
    END { flush() }
    function flush() {
        if (rec ~ /(Invalid (read|write|free)|Mismatched free|uninitialised|Conditional jump|Syscall param|overlap|definitely lost)/ &&
            (rec ~ /(varn[a-z_]*\.mex|_mex\.cpp|mexFunction|varn::|\/src\/)/ ||
             rec ~ /\?\?\?\n[^\n]*call_mex/))
            printf "%s\n", rec
        rec = ""
    }' memcheck.log)
[ -z "$plugin_errors" ] || { printf 'run_valgrind: errors through a plug-in:\n%s\n' "$plugin_errors" >&2; status=1; }
grep -q "^[0-9]* passed, 0 failed" out.txt || status=1
grep -E 'ERROR SUMMARY' memcheck.log | sed 's/^==[0-9]*== /run_valgrind: /'
if [ "$status" -ne 0 ]; then echo "run_valgrind: failed; log kept in $work" >&2; else rm -rf "$work"; fi
exit $status
