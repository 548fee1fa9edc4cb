#!/usr/bin/env bash
# Cross builds proven on this machine: the library on ERFA built from its
# release source, its C++ unit tests run under an emulator, and the outputs
# on the shared reference batch compared with those of this machine's build.
#   cross-test.sh windows <build dir> <ERFA archive> <host varn_reference_dump>
#       Debian's mingw-w64 (static runtimes), tests under wine; then the six
#       MEX plug-ins (.mexw64) against a stand-in MATLAB root, each checked
#       to export only mexFunction and to import no MinGW runtime DLL, and
#       varn and varn_eop run in a stand-in MATLAB under wine.
#   cross-test.sh arm64 <build dir> <ERFA archive> <host varn_reference_dump>
#       Debian's aarch64-linux-gnu compilers, tests under qemu-user; the
#       outputs must equal this machine's bit for bit.
set -euo pipefail
target=$1 build=$2 erfa=$3 host_dump=$4
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build"
build=$(cd "$build" && pwd)
fail() { echo "cross-test $target: FAIL: $*"; exit 1; }
batch=1000   # epochs of the reference batch besides its fixed rows

case $target in
  windows)
    wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
    [ -x "$wine" ] || fail "wine not found (install wine64)"
    export WINEPREFIX=$build/wine WINEDEBUG=-all
    emulator=$wine toolchain=mingw64 exe=.exe ;;
  arm64)
    emulator="qemu-aarch64;-L;/usr/aarch64-linux-gnu" toolchain=aarch64 exe= ;;
  *) fail "unknown target (windows or arm64)" ;;
esac

# The library, its unit tests and the reference tool: ERFA and GoogleTest
# from source, no plug-in (the Octave plug-ins need the host's Octave).
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-$toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator" \
  -DVARN_ERFA_SOURCE="$erfa" -DVARN_GTEST_SOURCE=/usr/src/googletest \
  -DVARN_BUILD_MEX=OFF -DVARN_BUILD_BENCH=OFF > "$build/configure.log" ||
  { cat "$build/configure.log"; fail "configure"; }
cmake --build "$build" -j "${JOBS:-2}" > "$build/build.log" || { tail -40 "$build/build.log"; fail "build"; }
grep -i 'warning:' "$build/build.log" | grep -v googletest && fail "compiler warnings (above)"
# A test is run once more if the emulator itself fails it; the tests are
# deterministic, so a real fault fails both runs.
(cd "$build" && ctest -j "${JOBS:-2}" --output-on-failure --repeat until-pass:2) || fail "unit tests"

# The shared batch, computed here and by the cross build.
"$host_dump" "$build/reference-host.bin" $batch
IFS=';' read -r -a run <<< "$emulator"
"${run[@]}" "$build/tests/octave/varn_reference_dump$exe" "$build/reference-$target.bin" $batch ||
  fail "reference dump"
if [ "$target" = arm64 ]; then
  /usr/bin/python3 "$src/scripts/compare-outputs.py" "$build/reference-host.bin" \
    "$build/reference-$target.bin" || fail "outputs differ from this machine's"
  exit 0
fi
# Windows' mathematics library rounds a few sines, cosines and arc tangents
# the other way: a few matrix elements differ, held to 1 ulp of 1.
/usr/bin/python3 "$src/scripts/compare-outputs.py" --ulps=1 \
  "$build/reference-host.bin" "$build/reference-$target.bin" || fail "outputs beyond 1 ulp of Linux's"

# A stand-in MATLAB root: the declarations of the MEX API the gateways use
# (MATLAB's types: UTF-16 characters, 64-bit sizes) and import libraries of
# libmx.dll and libmex.dll made from .def files: each plug-in compiles as
# MATLAB code, links, and has the shape MATLAB loads.
root=$build/matlab-root
mkdir -p "$root/extern/include" "$root/extern/lib/win64/mingw64" "$build/mex"
cp "$src/tests/windows/mex.h" "$root/extern/include/"
for lib in mx mex; do
  { echo "LIBRARY lib$lib.dll"; echo EXPORTS
    grep -o "\b$lib[A-Z][A-Za-z0-9_]*(" "$root/extern/include/mex.h" | tr -d '(' | grep -vx mexFunction | sort -u; } \
    > "$root/extern/lib/win64/mingw64/lib$lib.def"
  x86_64-w64-mingw32-dlltool -d "$root/extern/lib/win64/mingw64/lib$lib.def" \
    -l "$root/extern/lib/win64/mingw64/lib$lib.lib"
done
printf 'EXPORTS\n    mexFunction\n' > "$build/mex/mexFunction.def"

erfa_lib=$(find "$build" -name libvarn_erfa.a | head -n 1)
# Every MEX function a gateway calls must be declared by the stand-in.
missing=$(comm -23 <(grep -ohE '\b(mx|mex)[A-Z][A-Za-z0-9_]*\(' "$src"/hosts/mex/*.[ch]pp | tr -d '(' | sort -u) \
                   <(grep -ohE '\b(mx|mex)[A-Z][A-Za-z0-9_]*\(' "$root/extern/include/mex.h" | tr -d '(' | sort -u))
[ -z "$missing" ] || fail "tests/windows/mex.h (and mex_host.cpp) lack: $missing"
plugins=$(bash "$src/scripts/list-plugins.sh")
[ "$(wc -l <<< "$plugins")" -ge 6 ] || fail "fewer than six plug-ins in hosts/mex/CMakeLists.txt"
while read -r name source define; do
  out=$build/mex/$name.mexw64
  x86_64-w64-mingw32-g++-posix -O2 -std=c++17 -ffp-contract=off -Wall -Wextra -Werror=format \
    ${define:+-D$define} -I"$root/extern/include" -I"$src/src" -shared -static -o "$out" \
    "$src/hosts/mex/$source" "$build/mex/mexFunction.def" "$build/libvarn_core.a" "$erfa_lib" \
    -L"$root/extern/lib/win64/mingw64" -l:libmx.lib -l:libmex.lib || fail "$name.mexw64"
  cp "$src/hosts/mex/$name.m" "$build/mex/"
  dump=$(x86_64-w64-mingw32-objdump -p "$out")
  exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/{/Table/d;s/.*\] //p}' <<< "$dump" | tr '\n' ' ')
  imports=$(sed -n 's/^\tDLL Name: //p' <<< "$dump" | sort -f | tr '\n' ' ')
  [ "$exports" = "mexFunction " ] || fail "$name.mexw64 exports: $exports"
  for dll in $imports; do
    grep -qix "$dll" <<< $'libmx.dll\nlibmex.dll\nKERNEL32.dll\nmsvcrt.dll' || fail "$name.mexw64 imports $dll"
  done
  echo "ok: $name.mexw64 exports mexFunction, imports $imports"
done <<< "$plugins"

# The plug-ins run: the stand-in MATLAB's libmx.dll, libmex.dll and a host
# that loads varn and varn_eop under wine (tests/windows/mex_host.cpp).
lib=$root/extern/lib/win64/mingw64
cxx=(x86_64-w64-mingw32-g++-posix -O2 -std=c++17 -Wall -Wextra -static -I"$root/extern/include")
host=$src/tests/windows/mex_host.cpp
"${cxx[@]}" -DSTANDIN_MX -shared -o "$build/mex/libmx.dll" "$host" "$lib/libmx.def" &&
"${cxx[@]}" -DSTANDIN_MEX -shared -o "$build/mex/libmex.dll" "$host" "$lib/libmex.def" -L"$lib" -l:libmx.lib &&
"${cxx[@]}" -o "$build/mex/mex_host.exe" "$host" -L"$lib" -l:libmx.lib || fail "the stand-in MATLAB"
(cd "$build/mex" && "$wine" mex_host.exe . "$build/reference-$target.bin" "$src/tests/data/eopc04_14_2016-12.txt") ||
  fail "the plug-ins in the stand-in MATLAB"
