function build_varn(varargin)
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
%   Where the system has no ERFA (Windows, MATLAB on macOS), ERFA's release
%   source is compiled into each plug-in instead:
%       build_varn('erfa', '<folder or erfa-2.0.0.tar.gz>')
%       build_varn('erfa', 'download')   % the official archive, SHA-256 checked
%   or name the folder or archive in the environment variable
%   VARN_ERFA_SOURCE. MATLAB builds against the R2017b C API (mex -R2017b),
%   the API that the CMake build uses too, whatever the release's default.
%   The library, and ERFA built here, are compiled without fused
%   multiply-add (-ffp-contract=off; Microsoft's compiler /fp:precise), so
%   that the results keep the evaluation order of the published algorithms
%   and match the CMake build bit for bit: a fused multiply-add rounds once
%   where the algorithm rounds twice, and GCC and clang fuse by default on
%   arm64 (Apple Silicon).

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
include = {['-I' fullfile(root, 'src')]};
flags = '-O2 -std=c++17 -ffp-contract=off';

% ERFA: the system's, or its release source compiled once into object files
% in a scratch folder that every plug-in links.
if nargin == 2 && strcmpi(varargin{1}, 'erfa') && ischar(varargin{2})
  erfa_source = varargin{2};
elseif nargin == 0
  erfa_source = getenv('VARN_ERFA_SOURCE');
else
  error('build_varn:arguments', 'Call build_varn() or build_varn(''erfa'', source).');
end
erfa = {'-lerfa'};
if ~isempty(erfa_source)
  work = tempname();
  mkdir(work);
  remove_work = onCleanup(@() remove_folder(work));
  [erfa, erfa_include] = build_erfa(erfa_source, work);
  include = [include, {['-I' erfa_include]}];
end

for k = 1:size(plugins, 1)
  [name, gateway, defines] = plugins{k, :};
  if exist(fullfile(here, [name '.m']), 'file') == 2
    out = build_plugin(name, [{gateway}, library], [include, defines], flags, erfa);
    fprintf('build_varn: built %s\n', fullfile(here, out));
  end
end
end

function [objects, folder] = build_erfa(source, work)
% ERFA's C sources (without its test programs and erfaversion.c, which needs
% its configure script's config.h) compiled in work; returns the object
% files and the folder of erfa.h. source: a folder, a .tar.gz, or
% 'download' for the official release archive.
if strcmp(source, 'download')
  % The upstream tag's archive, the file Debian ships as its original
  % source; Debian's copy when the first address cannot be reached.
  urls = {'https://github.com/liberfa/erfa/archive/refs/tags/v2.0.0.tar.gz', ...
          'https://deb.debian.org/debian/pool/main/e/erfa/erfa_2.0.0.orig.tar.gz'};
  sha256 = 'e40f5175604c50c46fded7f9f76565dd5879a7f4ee27fa4484c2af217b7dfeb4';
  source = fullfile(work, 'erfa-2.0.0.tar.gz');
  for k = 1:numel(urls)
    try
      if exist('websave') ~= 0
        websave(source, urls{k});
      else
        urlwrite(urls{k}, source);
      end
      break;
    catch err
      if k == numel(urls)
        rethrow(err);
      end
    end
  end
  if ~strcmpi(file_sha256(source), sha256)
    error('build_varn:erfaChecksum', 'The download of %s is not ERFA 2.0.0 (SHA-256).', urls{k});
  end
end
if exist(source, 'dir') ~= 7
  if exist(source, 'file') ~= 2
    error('build_varn:erfaSource', 'ERFA source ''%s'' is neither a folder nor a file.', source);
  end
  untar(source, work);
  top = dir(work);
  top = top([top.isdir] & ~ismember({top.name}, {'.', '..'}));
  if numel(top) ~= 1
    error('build_varn:erfaSource', 'The archive ''%s'' holds no single ERFA folder.', source);
  end
  source = fullfile(work, top(1).name);
end
folder = source;
if exist(fullfile(source, 'src', 'erfa.h'), 'file') == 2
  folder = fullfile(source, 'src');
end
files = dir(fullfile(folder, '*.c'));
names = {files.name};
names = names(~strncmp(names, 't_erfa_c', 8) & ~strcmp(names, 'erfaversion.c'));
if exist(fullfile(folder, 'erfa.h'), 'file') ~= 2 || isempty(names)
  error('build_varn:erfaSource', 'No ERFA source (erfa.h and the .c files) in ''%s''.', source);
end
sources = fullfile(folder, names);
caller = cd(work);
back = onCleanup(@() cd(caller));
if exist('OCTAVE_VERSION', 'builtin')
  old_flags = getenv('CFLAGS');
  setenv('CFLAGS', '-O2 -ffp-contract=off');
  restore = onCleanup(@() setenv('CFLAGS', old_flags));
  mex('-c', sources{:});
  extension = '.o';
else
  compiler = mex.getCompilerConfigurations('C', 'Selected');
  if strncmpi(compiler.ShortName, 'MSVC', 4)
    mex('-c', '-outdir', work, 'COMPFLAGS=$COMPFLAGS /fp:precise', sources{:});
    extension = '.obj';
  else
    mex('-c', '-outdir', work, 'CFLAGS=$CFLAGS -ffp-contract=off', sources{:});
    extension = object_extension(work);
  end
end
objects = fullfile(work, regexprep(names, '\.c$', extension));
end

function extension = object_extension(work)
% The object files' extension of the selected C compiler (.o or .obj).
if isempty(dir(fullfile(work, '*.obj')))
  extension = '.o';
else
  extension = '.obj';
end
end

function digest = file_sha256(name)
% The SHA-256 of a file's bytes as 64 hexadecimal digits.
f = fopen(name, 'r');
bytes = fread(f, Inf, '*uint8');
fclose(f);
if exist('OCTAVE_VERSION', 'builtin')
  digest = hash('sha256', char(bytes'));
else
  md = java.security.MessageDigest.getInstance('SHA-256');
  md.update(bytes);
  digest = sprintf('%02x', typecast(md.digest(), 'uint8'));
end
end

function remove_folder(folder)
if exist(folder, 'dir') == 7
  if exist('confirm_recursive_rmdir') ~= 0   % Octave asks before removing a tree
    confirm_recursive_rmdir(false, 'local');
  end
  rmdir(folder, 's');
end
end

function out = build_plugin(name, sources, defines, flags, erfa)
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
    mex(defines{:}, sources{:}, erfa{:}, '-pthread', '-o', name);
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
  mex('-R2017b', '-O', cxx_flags(flags), link_flags(), defines{:}, sources{:}, erfa{:}, ...
      '-output', name);
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

function option = cxx_flags(flags)
% MATLAB's mex: the compiler's flag variable and its spelling of the flags.
compiler = mex.getCompilerConfigurations('C++', 'Selected');
if strncmpi(compiler.ShortName, 'MSVC', 4)
  option = 'COMPFLAGS=$COMPFLAGS /std:c++17 /fp:precise';
else
  option = ['CXXFLAGS=$CXXFLAGS ' flags];
end
end

function option = link_flags()
% Threads: -pthread for GCC and clang; Windows links its threads by default.
if ispc()
  option = 'LDFLAGS=$LDFLAGS';
else
  option = 'LDFLAGS=$LDFLAGS -pthread';
end
end
