#!/usr/bin/env bash
# The MATLAB build of every plug-in without MATLAB, against a stand-in MATLAB root made here
# (Octave's mex.h, libmx/libmex defining the MEX API, what FindMatlab reads). Each plug-in must
# pass messages as data, link with no undefined symbol, export only mexFunction and the API
# version, need no newer C++ runtime than MATLAB's, and have its help text beside it. Nothing
# runs. Usage: matlab_build_script.sh <source dir> <cmake> <mkoctfile>
set -euo pipefail
src=$1 cmake=$2 mkoctfile=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

root=$work/MATLAB
mkdir -p "$root"/{bin/glnxa64,extern/include,extern/version,extern/lib/glnxa64}
# Octave's header without the macro that tells the gateways they run in
# Octave, so that the MATLAB branches compile; the error and warning calls are
# checked as printf formats: a message passed as the format fails the build.
inc=$("$mkoctfile" -p OCTINCLUDEDIR)
{ printf '#include "%s/mex.h"\n#undef HAVE_OCTAVE\n' "$inc"
  for f in mexErrMsgIdAndTxt mexWarnMsgIdAndTxt; do
    echo "void $f(const char*, const char*, ...) __attribute__((format(printf, 2, 3)));"
  done; } > "$root/extern/include/mex.h"
# An empty definition per function the API declares: a call to anything
# else fails the link, which runs with --no-undefined.
for lib in mx mex; do
  grep -o "\b$lib[A-Z][A-Za-z0-9_]* (" "$inc/mexproto.h" | sort -u |
    sed 's/^\(.*\) ($/void \1(void) {}/' > "$work/$lib.c"
  cc -shared -fPIC -o "$root/bin/glnxa64/lib$lib.so" "$work/$lib.c"
done
# The programs FindMatlab runs: mexext, and matlab -r "version, exit" that
# writes the release to the log file FindMatlab names and reads.
printf '#!/bin/sh\necho mexa64\n' > "$root/bin/mexext"
printf '#!/bin/sh\necho "ans = 9.14" > matlabVersionLog.cmaketmp\n' > "$root/bin/matlab"
chmod +x "$root/bin/mexext" "$root/bin/matlab"
echo 'void mexfilerequiredapiversion(unsigned* release, unsigned* api) { *release = *api = 0; }' \
  > "$root/extern/version/c_mexapi_version.c"
echo 'MEX { global: mexFunction; mexfilerequiredapiversion; local: *; };' \
  > "$root/extern/lib/glnxa64/c_exportsmexfileversion.map"

build=$work/build
"$cmake" -S "$src" -B "$build" -G "Unix Makefiles" -DMatlab_ROOT_DIR="$root" \
  -DVARN_BUILD_TESTS=OFF -DVARN_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-Werror=format -Werror=format-security" \
  -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--no-undefined > "$work/configure.log" ||
  { cat "$work/configure.log"; fail "configure"; }
# Every plug-in the project registers for Octave must also build for MATLAB.
targets() { "$cmake" --build "$build" --target help | sed -n "s/^\.\.\. \(.*\)_$1\$/\1/p" | sort; }
plugins=$(targets matlab)
[ "$plugins" = "$(targets octave)" ] || fail "MATLAB targets [$plugins], Octave [$(targets octave)]"
grep -qx varn <<< "$plugins" || fail "no varn_matlab target"
"$cmake" --build "$build" -j 2 --target $(sed 's/$/_matlab/' <<< "$plugins") > "$work/build.log" ||
  { tail -40 "$work/build.log"; fail "build"; }

for p in $plugins; do
  exported=$(nm -D --defined-only "$build/mex/matlab/$p.mexa64" | awk '$2 == "T" { sub(/@.*/, "", $3); print $3 }' |
             sort | tr '\n' ' ')
  [ "$exported" = "mexFunction mexfilerequiredapiversion " ] || fail "$p exports: $exported"
  cmp -s "$src/hosts/mex/$p.m" "$build/mex/matlab/$p.m" || fail "$p.m is not beside $p.mexa64"
  echo "ok: $p.mexa64 with $p.m"
done
bash "$src/scripts/check-abi.sh" "$build/mex/matlab"
