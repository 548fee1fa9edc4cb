function failed = run_tests(varargin)
% RUN_TESTS  Run the host tests of varn in MATLAB or GNU Octave: every
% test_*.m beside this file, or the ones named (run_tests('test_contract')).
% The plug-ins must be on the path. Each test is a function of no arguments
% that throws on its first failed check. Returns the number that failed and
% ends with the line "N passed, N failed".
names = varargin;
if isempty(names)
  d = dir(fullfile(fileparts(mfilename('fullpath')), 'test_*.m'));
  names = regexprep({d.name}, '\.m$', '');
end
failed = 0;
for k = 1:numel(names)
  try
    feval(names{k});
    fprintf('%s passed\n', names{k});
  catch err
    failed = failed + 1;
    fprintf('%s FAILED: %s\n', names{k}, err.message);
    for s = 1:numel(err.stack)
      fprintf('  at %s line %d\n', err.stack(s).name, err.stack(s).line);
    end
  end
end
fprintf('%d passed, %d failed\n', numel(names) - failed, failed);
end
