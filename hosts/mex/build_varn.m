function build_varn()
%BUILD_VARN  Build the MEX plug-ins into the folder of this file, each beside
%   its help text: varn, and varn_fast, varn_eop, varn_time, varn_gcrs2itrs
%   and varn_itrs2gcrs when their help files are there. In MATLAB the files
%   are varn.mexa64 (the extension mexext gives), in GNU Octave varn.mex.
%   That folder (hosts/mex of the repository) is then the one to add to the
%   path.
%
%   From anywhere, in MATLAB or Octave:
%       addpath('<varn>/hosts/mex')
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

here = fileparts(mfilename('fullpath'));
root = fileparts(fileparts(here));
if ~exist(fullfile(root, 'varn_core_sources.txt'), 'file') || ...
   ~exist(fullfile(here, 'varn_mex.cpp'), 'file')
  error('build_varn:notRoot', ...
        'build_varn must stay in hosts/mex of the varn repository, beside the gateways.');
end
% Octave's mex leaves its object files in the current folder: build there,
% and come back to the caller's folder whatever happens.
caller = cd(here);
restore = onCleanup(@() cd(caller));

% Name, gateway source and macro definitions of each plug-in.
plugins = {'varn',      fullfile(here, 'varn_mex.cpp'),     {};
           'varn_fast', fullfile(here, 'varn_mex.cpp'),     {'-DVARN_FAST_MODE'};
           'varn_eop',  fullfile(here, 'varn_eop_mex.cpp'), {};
           'varn_time', fullfile(here, 'varn_time_mex.cpp'), {};
           'varn_gcrs2itrs', fullfile(here, 'varn_state_mex.cpp'), {};
           'varn_itrs2gcrs', fullfile(here, 'varn_state_mex.cpp'), {'-DVARN_ITRS2GCRS'}};
library = cellfun(@(f) fullfile(root, f), read_source_list(fullfile(root, 'varn_core_sources.txt')), ...
                  'UniformOutput', false);
include = ['-I' fullfile(root, 'src')];
flags = '-O2 -std=c++17 -ffp-contract=off';

for k = 1:size(plugins, 1)
  [name, gateway, defines] = plugins{k, :};
  if exist(fullfile(here, [name '.m']), 'file') == 2
    out = build_plugin(name, [{gateway}, library], [{include}, defines], flags);
    fprintf('build_varn: built %s\n', fullfile(here, out));
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
    mex(defines{:}, sources{:}, '-lerfa', '-pthread', '-o', name);
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
      defines{:}, sources{:}, '-lerfa', '-output', name);
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
