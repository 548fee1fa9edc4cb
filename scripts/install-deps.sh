#!/usr/bin/env bash
# Installs the Debian packages that varn needs to build, test, benchmark and
# run its demo. Idempotent: packages already present are not touched, and apt
# is not consulted at all when nothing is missing. Run as root (or with sudo).
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  liberfa-dev                       # IAU SOFA routines (ERFA)
  libgtest-dev googletest           # unit tests
  libbenchmark-dev                  # benchmarks
  octave liboctave-dev              # the MEX host, mkoctfile
  gnuplot-nox fonts-freefont-otf    # headless plots for the demo (Octave draws text in FreeSans)
  clang libclang-rt-14-dev          # libFuzzer and sanitizer runtimes
  valgrind                          # memcheck of the plug-in
  # The Python package: Debian's interpreter, build tools and the packages
  # of its tests and benchmark (pip installs offline from these)
  python3-dev python3-venv python3-pip python3-setuptools python3-wheel
  python3-pybind11 pybind11-dev python3-numpy python3-pytest
  python3-dask python3-distributed python3-astropy python3-skyfield python3-erfa
  python3-matplotlib                # the figures of the validation page
  # The other platforms, proven by cross builds: Windows (mingw-w64 with
  # POSIX threads, run under wine) and arm64 Linux (run under qemu-user)
  g++-mingw-w64-x86-64-posix wine64
  g++-aarch64-linux-gnu qemu-user
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
