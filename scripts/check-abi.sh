#!/usr/bin/env bash
# The C++ runtime the built plug-ins need. MATLAB loads a plug-in into a
# process that already holds its own bundled libstdc++, so a plug-in must not
# need symbol versions newer than the oldest runtime we support; Octave uses
# the system's. Prints, for every plug-in (*.mex*) in the given folders, the
# highest GLIBCXX_ and CXXABI_ versions among the symbols it imports, and
# fails if one is above the limits below.
#   check-abi.sh <folder>...
set -euo pipefail
if [ "$(uname -s)" != Linux ]; then
  echo "check-abi: symbol versions are a Linux (ELF) matter; skipped on $(uname -s)"
  exit 0
fi
GLIBCXX_MAX=3.4.22   # GCC 6's runtime
CXXABI_MAX=1.3.9

highest() { { grep -o "$1_[0-9.]*[0-9]" || true; } | sed "s/^$1_//" | sort -V | tail -n 1; }
above() { [ -n "$1" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -n 1)" != "$2" ]; }

status=0
found=0
for mex in $(find "$@" -maxdepth 1 -type f -name '*.mex*' | sort); do
  found=$((found + 1))
  symbols=$(objdump -T "$mex")
  glibcxx=$(highest GLIBCXX <<< "$symbols")
  cxxabi=$(highest CXXABI <<< "$symbols")
  verdict=ok
  if above "$glibcxx" "$GLIBCXX_MAX" || above "$cxxabi" "$CXXABI_MAX"; then
    verdict="FAIL: above GLIBCXX_$GLIBCXX_MAX or CXXABI_$CXXABI_MAX"
    status=1
  fi
  echo "$mex: GLIBCXX_${glibcxx:-none} CXXABI_${cxxabi:-none} $verdict"
done
[ "$found" -gt 0 ] || { echo "check-abi: no plug-in in $*"; exit 1; }
exit $status
