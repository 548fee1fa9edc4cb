#!/usr/bin/env bash
# Installs the Octave package with pkg into a temporary prefix (never the
# user's or the system's packages) and runs the Octave tests against it:
# the plug-ins as pkg placed them, each with its help text beside it.
#   octave-pkg-test.sh <varn-<version>.tar.gz> <varn_reference_dump>
# VARN_ERFA_SOURCE, when set, names ERFA's release source for the package's
# build and for build_varn's.
set -euo pipefail
tarball=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") dump=$2
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$dump" "$work/reference.bin"
# Every host test but the memory limit's (ulimit, Linux only, run by ctest)
# and the build script's, which builds from the repository: it runs last,
# and only when VARN_ERFA_SOURCE makes build_varn compile ERFA's source.
tests=$(cd "$src/tests/octave" && ls test_*.m | sed 's/\.m$//' | grep -vx -e test_build_script -e test_memory |
        sed "s/.*/'&'/" | tr '\n' ',')
[ -z "${VARN_ERFA_SOURCE:-}" ] || tests="$tests'test_build_script',"
cd "$work"
VARN_REFERENCE_FILE=$work/reference.bin VARN_SOURCE_DIR=$src \
octave-cli --no-gui --no-history --norc --quiet --path "$src/tests/octave" --eval "
  pkg('prefix', '$work/pkg', '$work/pkg-arch');
  pkg('local_list', '$work/octave_packages');
  tic; pkg('install', '$tarball'); printf('pkg install: %.0f s\n', toc);
  pkg('load', 'varn');
  names = {${tests%,}};
  bad = 0;
  for p = {'varn', 'varn_fast', 'varn_eop', 'varn_time', 'varn_gcrs2itrs', 'varn_itrs2gcrs'}
    [folder, ~, ext] = fileparts(which(p{1}));
    try
      text = help(p{1});
    catch
      text = '';
    end
    if strcmp(ext, '.mex') && strncmp(folder, '$work', numel('$work')) && ...
       exist(fullfile(folder, [p{1} '.m']), 'file') == 2 && numel(text) > 100
      printf('ok: %s with its help text\n', which(p{1}));
    else
      printf('FAIL: %s is %s, help %d characters\n', p{1}, which(p{1}), numel(text));
      bad = bad + 1;
    end
  end
  exit(bad + run_tests(names{:}));
"
