function failed = run_tests(varargin)
% RUN_TESTS  Run the host tests of varn in MATLAB or GNU Octave.
%   run_tests                  every test_*.m beside this file
%   run_tests('test_checks')   the named ones only
%   failed = run_tests(...)    the number that failed
% The plug-ins (varn, varn_fast, varn_eop) must be on the path. Each test
% file is a function of no arguments that throws on its first failed check.
% Ends with the line "N passed, N failed".
here = fileparts(mfilename('fullpath'));
names = varargin;
if isempty(names)
  d = dir(fullfile(here, 'test_*.m'));
  names = regexprep({d.name}, '\.m$', '');
end
passed = 0;
failed = 0;
for k = 1:numel(names)
  try
    feval(names{k});
    passed = passed + 1;
    fprintf('%s passed\n', names{k});
  catch err
    failed = failed + 1;
    fprintf('%s FAILED: %s\n', names{k}, err.message);
    for s = 1:numel(err.stack)
      fprintf('  at %s line %d\n', err.stack(s).name, err.stack(s).line);
    end
  end
end
fprintf('%d passed, %d failed\n', passed, failed);
end
