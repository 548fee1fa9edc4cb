#!/bin/sh
# Runs an Octave command under an address-space limit of a fresh Octave
# session's size plus EXTRA_KB, so that a large allocation fails at once
# instead of being served from swap or ending in the kernel's OOM killer.
# Usage: run_with_memory_limit.sh EXTRA_KB OCTAVE_CLI [arguments...]
set -eu
extra_kb=$1
shift
base_kb=$("$1" --no-gui --no-history --norc --quiet --eval \
  "t = regexp(fileread('/proc/self/status'), 'VmSize:\s*(\d+)', 'tokens', 'once'); disp(t{1});" \
  2>/dev/null | tail -n 1)
case $base_kb in
  ''|*[!0-9]*) echo "run_with_memory_limit: cannot measure an Octave session" >&2; exit 1 ;;
esac
ulimit -v $((base_kb + extra_kb))
exec "$@"
