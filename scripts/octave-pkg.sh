#!/usr/bin/env bash
# Writes the GNU Octave package dist/varn-<version>.tar.gz, which
#   pkg install varn-<version>.tar.gz
# builds with mkoctfile on any platform (hosts/octave-pkg/Makefile): the
# library and gateway sources, the help texts, the package description.
#   octave-pkg.sh <output folder>
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
version=$(head -n 1 "$src/VERSION")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pkg=$work/varn-$version
mkdir -p "$pkg/inst" "$pkg/src/help" "$pkg/src/varn"

# The plug-ins as CMake registers them: name, gateway source, macro.
plugins=$(bash "$src/scripts/list-plugins.sh")
{ echo "# The plug-ins, their gateway sources and macros (from hosts/mex/CMakeLists.txt)."
  echo "PLUGINS := $(cut -d' ' -f1 <<< "$plugins" | tr '\n' ' ')"
  while read -r name source define; do
    echo "${name}_SOURCE := $source"
    echo "${name}_DEFINES := ${define:+-D$define}"
  done <<< "$plugins"; } > "$pkg/src/plugins.mk"

cp "$src/hosts/octave-pkg/Makefile" "$pkg/src/"
(cd "$src" && cp --parents varn_core_sources.txt $(find src hosts/mex -name '*.cpp' -o -name '*.hpp') \
   "$pkg/src/varn/")
while read -r name _; do cp "$src/hosts/mex/$name.m" "$pkg/src/help/"; done <<< "$plugins"
# The functions written in Octave itself (the data updater) go to inst/.
cp "$src/hosts/mex/varn_update.m" "$pkg/inst/"
cp "$src/LICENSE" "$pkg/COPYING"

cat > "$pkg/DESCRIPTION" <<DESC
Name: varn
Version: $version
Date: $(git -C "$src" log -1 --format=%cs 2>/dev/null || date +%F)
Author: The varn developers
Maintainer: The varn developers
Title: GCRS to ITRS rotation with every intermediate quantity
Description: The IAU 2006/2000A CIO-based rotation from the GCRS to the ITRS
 with the IERS Conventions (2010) ocean-tide and libration corrections, for
 batches of epochs, with every intermediate quantity; IERS Earth orientation
 files, time-stamp conversion and state vectors. Needs ERFA: the system's
 library, or its release source named by the environment variable
 VARN_ERFA_SOURCE (a folder or erfa-<version>.tar.gz) when pkg install runs.
License: BSD-3-Clause
Depends: octave (>= 6.1.0)
SystemRequirements: erfa (or its release source)
DESC
{ echo "varn >> GCRS to ITRS rotation"
  echo "Rotation, Earth orientation, time scales and state vectors"
  { cut -d' ' -f1 <<< "$plugins"; echo varn_update; } | sed 's/^/ /'; } > "$pkg/INDEX"

tar -C "$work" -czf "$out/varn-$version.tar.gz" "varn-$version"
echo "$out/varn-$version.tar.gz"
