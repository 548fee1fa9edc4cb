function build_varn()
%BUILD_VARN  Build the varn and varn_eop MEX files in the current folder (the
%   repository root), beside varn.m and varn_eop.m: varn.mexa64 and
%   varn_eop.mexa64 in MATLAB, varn.mex and varn_eop.mex in GNU Octave.
%
%   Run from the repository root, in MATLAB or Octave:
%       build_varn
%       help varn
%
%   Needs a C++17 compiler known to mex and the ERFA library with its header
%   (Debian/Ubuntu: apt install liberfa-dev; in Octave also liboctave-dev).
%   The library is compiled without fused multiply-add (-ffp-contract=off),
%   so that the results keep the evaluation order of the published
%   algorithms and match the CMake build bit for bit.

if ~exist(fullfile('gateway', 'varn_mex.cpp'), 'file')
  error('build_varn:notRoot', 'Run build_varn from the root of the varn repository.');
end

library = [list_sources('pipeline'), list_sources('models'), list_sources('eop')];
flags = '-O2 -std=c++17 -ffp-contract=off';

% varn, and varn_eop (the Earth orientation reader), from the same sources.
for target = {'varn', 'varn_eop'}
name = target{1};
sources = [{fullfile('gateway', [name '_mex.cpp'])}, library];

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
    mex('-I.', sources{:}, '-lerfa', '-pthread', '-o', name);
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
  mex('-O', ['CXXFLAGS=$CXXFLAGS ' flags], 'LDFLAGS=$LDFLAGS -pthread', ...
      '-I.', sources{:}, '-lerfa', '-output', name);
  out = [name '.' mexext];
end
fprintf('build_varn: built %s\n', fullfile(pwd, out));
end
end

function files = list_sources(folder)
d = dir(fullfile(folder, '*.cpp'));
files = cellfun(@(name) fullfile(folder, name), {d.name}, 'UniformOutput', false);
end

function remove_objects(objects)
for k = 1:numel(objects)
  if exist(objects{k}, 'file')
    delete(objects{k});
  end
end
end
