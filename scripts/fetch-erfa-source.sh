#!/usr/bin/env bash
# ERFA's release source from the distribution's source package, for the
# builds on ERFA from source (the cross builds, the Octave package test):
# downloads erfa_<version>.orig.tar.gz with apt-get into <folder> through a
# private apt configuration (a deb-src entry of this machine's release and
# apt's lists and cache under <folder>/apt), never the system's. apt checks
# the archive against the release's signed index; ERFA 2.0.0 (Debian 12) is
# also checked against the SHA-256 that the CMake build pins. Prints the
# archive's path. Nothing is downloaded when an archive is already there.
#   fetch-erfa-source.sh <folder>
set -euo pipefail
dir=$(mkdir -p "$1" && cd "$1" && pwd)
sha256=$(sed -n 's/^set(VARN_ERFA_SHA256 \([0-9a-f]*\))$/\1/p' "$(dirname "$0")/../cmake/erfa.cmake")
found() { tarball=$(ls "$dir"/erfa_*.orig.tar.* 2>/dev/null | head -n 1); [ -n "$tarball" ]; }

if ! found; then
  . /etc/os-release
  case "$ID" in
    ubuntu) entry="deb-src http://archive.ubuntu.com/ubuntu $VERSION_CODENAME universe" ;;
    *)      entry="deb-src http://deb.debian.org/debian $VERSION_CODENAME main" ;;
  esac
  apt=$dir/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d"
  echo "$entry" > "$apt/sources.list"
  cat > "$apt/apt.conf" <<CONF
Dir::State::Lists "$apt/lists";
Dir::Cache "$apt/cache";
Dir::Etc::SourceList "$apt/sources.list";
Dir::Etc::SourceParts "$apt/sources.list.d";
APT::Sandbox::User "$(id -un)";
CONF
  apt-get -c "$apt/apt.conf" -q update > "$apt/update.log"
  (cd "$dir" && apt-get -c "$apt/apt.conf" -q source --download-only erfa > "$apt/source.log")
  found || { echo "fetch-erfa-source: apt-get fetched no erfa_*.orig.tar.*" >&2; exit 1; }
fi
if [[ $tarball == */erfa_2.0.0.orig.tar.gz ]] && ! echo "$sha256  $tarball" | sha256sum --check --status; then
  echo "fetch-erfa-source: $tarball is not the ERFA 2.0.0 release archive (SHA-256)" >&2
  exit 1
fi
echo "$tarball"
