function test_build_script()
% build_varn, the build a MATLAB user runs, works: from a scratch copy of
% the sources, called from another folder, it builds each plug-in whose help
% text is in hosts/mex, beside it, leaves no object file, and varn returns the
% library's results bit for bit.
root = getenv('VARN_SOURCE_DIR');
[in, want] = read_reference();
scratch = tempname();
here = pwd();
try
  for d = {'src/common', 'src/time', 'src/models', 'src/eop', 'src/rotation', 'src/frames', 'hosts/mex'}
    mkdir(fullfile(scratch, d{1}));
    copy_matching(fullfile(root, d{1}), fullfile(scratch, d{1}), {'*.cpp', '*.hpp', '*.m'});
  end
  copy_matching(root, scratch, {'varn_core_sources.txt'});
  mex_dir = fullfile(scratch, 'hosts', 'mex');
  cd(scratch);     % not the plug-ins' folder: the build must find its own
  addpath(mex_dir);
  build_varn();
  expect('true', 'back in the caller''s folder', strcmp(pwd(), scratch));
  expect('true', 'no object file left', isempty([dir('*.o'); dir(fullfile(mex_dir, '*.o'))]));
  help_files = dir(fullfile(mex_dir, 'varn*.m'));
  help_files = help_files(~strcmp({help_files.name}, 'varn_update.m'));   % code, not a help text
  for k = 1:numel(help_files)
    name = help_files(k).name(1:end - 2);
    expect('true', [name ' built beside its help'], strcmp(which(name), fullfile(mex_dir, [name '.' mexext])));
  end
  got = cell(1, 18);
  [got{:}] = varn(in{:});
  expect('true', 'build_varn plug-in gives the library''s bits', isequaln(want, got));
  expect('true', 'help varn', ~isempty(strfind(help('varn'), 'MATLAB:varn:WrongDimension_tt')));
catch err
  cleanup(here, scratch);
  rethrow(err);
end
cleanup(here, scratch);
end

function copy_matching(from, to, patterns)
for p = patterns
  files = dir(fullfile(from, p{1}));
  for k = 1:numel(files)
    copyfile(fullfile(from, files(k).name), to);
  end
end
end

function cleanup(here, scratch)
cd(here);
rmpath(fullfile(scratch, 'hosts', 'mex'));
clear('varn', 'varn_fast', 'varn_eop', 'varn_time', 'varn_gcrs2itrs', 'varn_itrs2gcrs');  % unload before removal
if exist('confirm_recursive_rmdir') ~= 0   % Octave asks before removing a tree
  confirm_recursive_rmdir(false, 'local');
end
rmdir(scratch, 's');
end
