#!/usr/bin/env bash
# The MEX plug-ins as hosts/mex/CMakeLists.txt registers them, one a line:
# name, gateway source, and the macro it is compiled with (if any). The
# Windows cross build and the Octave package build them from this list.
set -euo pipefail
sed -n 's/^ *varn_add_plugin(NAME \([a-z0-9_]*\) SOURCES \([a-z0-9_.]*\)\( DEFINES \([A-Z0-9_]*\)\)\?).*/\1 \2 \4/p' \
  "$(dirname "$0")/../hosts/mex/CMakeLists.txt"
