function test_build_script()
% build_varn, the build a MATLAB user runs from the repository root, works:
% from a scratch copy of the sources it builds each plug-in whose help text
% is there, beside it, leaves no object file, and varn returns the library's
% results bit for bit.
root = getenv('VARN_SOURCE_DIR');
[in, want] = read_reference();
scratch = tempname();
here = pwd();
try
  for d = {'gateway', 'pipeline', 'models', 'eop'}
    mkdir(fullfile(scratch, d{1}));
    copy_matching(fullfile(root, d{1}), fullfile(scratch, d{1}), {'*.cpp', '*.hpp'});
  end
  copy_matching(root, scratch, {'build_varn.m', 'varn*.m', 'varn_core_sources.txt'});
  cd(scratch);
  build_varn();
  expect('true', 'no object file left', isempty([dir('*.o'); dir(fullfile('*', '*.o'))]));
  help_files = dir('varn*.m');
  for k = 1:numel(help_files)   % the current folder comes first: the new ones
    name = help_files(k).name(1:end - 2);
    expect('true', [name ' built here'], strcmp(which(name), fullfile(scratch, [name '.' mexext])));
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
clear('varn', 'varn_fast', 'varn_eop', 'varn_time', 'varn_gcrs2itrs', 'varn_itrs2gcrs');  % unload before removal
if exist('confirm_recursive_rmdir') ~= 0   % Octave asks before removing a tree
  confirm_recursive_rmdir(false, 'local');
end
rmdir(scratch, 's');
end
