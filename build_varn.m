function build_varn()
%BUILD_VARN  Build the MEX plug-ins in the current folder (the repository
%   root), each beside its help text: varn, and varn_fast, varn_eop,
%   varn_time, varn_gcrs2itrs and varn_itrs2gcrs when their help files are
%   here. In MATLAB the files are varn.mexa64 (the extension mexext gives), in
%   GNU Octave varn.mex.
%
%   Run from the repository root, in MATLAB or Octave:
%       build_varn
%       help varn
%
%   Needs a C++17 compiler known to mex and the ERFA library with its header
%   (Debian/Ubuntu: apt install liberfa-dev; in Octave also liboctave-dev).
%   MATLAB builds against the R2017b C API (mex -R2017b), the API that the
%   CMake build uses too, whatever the release's default. The library is
%   compiled without fused multiply-add (-ffp-contract=off), so that the
%   results keep the evaluation order of the published algorithms and match
%   the CMake build bit for bit.

if ~exist(fullfile('gateway', 'varn_mex.cpp'), 'file')
  error('build_varn:notRoot', 'Run build_varn from the root of the varn repository.');
end

% Name, gateway source and macro definitions of each plug-in.
plugins = {'varn',      fullfile('gateway', 'varn_mex.cpp'),     {};
           'varn_fast', fullfile('gateway', 'varn_mex.cpp'),     {'-DVARN_FAST_MODE'};
           'varn_eop',  fullfile('gateway', 'varn_eop_mex.cpp'), {};
           'varn_time', fullfile('gateway', 'varn_time_mex.cpp'), {};
           'varn_gcrs2itrs', fullfile('gateway', 'varn_state_mex.cpp'), {};
           'varn_itrs2gcrs', fullfile('gateway', 'varn_state_mex.cpp'), {'-DVARN_ITRS2GCRS'}};
library = read_source_list('varn_core_sources.txt');
flags = '-O2 -std=c++17 -ffp-contract=off';

for k = 1:size(plugins, 1)
  [name, gateway, defines] = plugins{k, :};
  if exist(fullfile(pwd, [name '.m']), 'file') == 2
    out = build_plugin(name, [{gateway}, library], defines, flags);
    fprintf('build_varn: built %s\n', fullfile(pwd, out));
  end
end
end

function out = build_plugin(name, sources, defines, flags)
% A plug-in still loaded from an earlier build must not be overwritten
% while it is mapped into this process.
clear(name);
if exist('OCTAVE_VERSION', 'builtin')
  % Octave's mex is mkoctfile --mex, which takes its compiler flags from the
  % environment and leaves one object file per source in the current folder.
  objects = regexprep(sources, '^.*[\\/]([^\\/]+)\.cpp$', '$1.o');
  objects = objects(~cellfun(@(f) exist(f, 'file') == 2, objects));  % ours only
  old_flags = getenv('CXXFLAGS');
  setenv('CXXFLAGS', flags);
  try
    mex('-I.', defines{:}, sources{:}, '-lerfa', '-pthread', '-o', name);
  catch err
    setenv('CXXFLAGS', old_flags);
    remove_objects(objects);
    rethrow(err);
  end
  setenv('CXXFLAGS', old_flags);
  remove_objects(objects);
  rehash();   % let this session see the new file at once
  out = [name '.mex'];
else
  mex('-R2017b', '-O', ['CXXFLAGS=$CXXFLAGS ' flags], 'LDFLAGS=$LDFLAGS -pthread', ...
      defines{:}, '-I.', sources{:}, '-lerfa', '-output', name);
  out = [name '.' mexext];
end
end

function files = read_source_list(name)
% The library's sources, one per line of the list that CMake and the Python
% build read too; blank lines and '#' comments skipped.
lines = strtrim(strsplit(fileread(name), {sprintf('\n'), sprintf('\r')}));
files = lines(~cellfun(@isempty, lines) & ~strncmp(lines, '#', 1));
end

function remove_objects(objects)
for k = 1:numel(objects)
  if exist(objects{k}, 'file')
    delete(objects{k});
  end
end
end
