function test_build_script()
% build_varn, the build a MATLAB user runs from the repository root, works
% in Octave: from a scratch copy of the sources it builds each plug-in whose
% help text is there beside it, and varn returns the library's results bit
% for bit.
root = getenv('VARN_SOURCE_DIR');
assert(~isempty(root), 'VARN_SOURCE_DIR is not set');
[in, want] = read_reference();

scratch = tempname();
mkdir(scratch);
here = pwd();
try
  for d = {'gateway', 'pipeline', 'models', 'eop'}
    mkdir(fullfile(scratch, d{1}));
    copy_matching(fullfile(root, d{1}), fullfile(scratch, d{1}), {'*.cpp', '*.hpp'});
  end
  copy_matching(root, scratch, {'build_varn.m', 'varn.m', 'varn_fast.m', 'varn_eop.m'});

  cd(scratch);
  build_varn();
  leftovers = [dir('*.o'); dir(fullfile('*', '*.o'))];
  expect('true', 'build_varn leaves no object file', isempty(leftovers));
  % The current folder comes first on the search path: these are the new ones.
  help_files = dir('varn*.m');
  plugins = regexprep({help_files.name}, '\.m$', '');
  for k = 1:numel(plugins)
    expect('true', [plugins{k} ' built here'], strcmp(which(plugins{k}), ...
           fullfile(scratch, [plugins{k} '.' mexext])));
  end
  got = cell(1, 18);
  [got{:}] = varn(in{:});
  for j = 1:18
    expect('same', sprintf('build_varn plug-in, output %d', j), want{j}, got{j});
  end
  % help varn reads the text of varn.m beside the plug-in.
  expect('true', 'help varn lists the errors', ~isempty(strfind(help('varn'), ...
         'MATLAB:varn:WrongDimension_tt')));
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
clear('varn');   % unload the plug-in before its file goes
if exist('confirm_recursive_rmdir') ~= 0   % Octave asks before removing a tree
  confirm_recursive_rmdir(false, 'local');
end
rmdir(scratch, 's');
end
