function test_build_script()
% build_varn, the build a MATLAB user runs from the repository root, works
% in Octave: from a scratch copy of the sources it builds varn.mex beside
% varn.m, and that plug-in returns the library's results bit for bit.
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
  copyfile(fullfile(root, 'build_varn.m'), scratch);
  copyfile(fullfile(root, 'varn.m'), scratch);

  cd(scratch);
  build_varn();
  assert(exist(fullfile(scratch, 'varn.mex'), 'file') == 3, 'varn.mex was not built');
  leftovers = [dir('*.o'); dir(fullfile('*', '*.o'))];
  assert(isempty(leftovers), 'build_varn left object files behind');
  % The current folder comes first on the search path: this is the new one.
  assert(strcmp(which('varn'), fullfile(scratch, 'varn.mex')), 'varn resolves to %s', which('varn'));
  got = varn_call(18, in);
  for j = 1:18
    expect_same_bits(sprintf('build_varn plug-in, output %d', j), want{j}, got{j});
  end
  % help varn reads the text of varn.m beside the plug-in.
  text = help('varn');
  assert(~isempty(strfind(text, 'MATLAB:varn:WrongDimension_tt')), 'help varn lacks the errors');
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
confirm_recursive_rmdir(false, 'local');
rmdir(scratch, 's');
end
