function run_varn_test(name)
% Run one group of contract tests and leave Octave with status 1 if any of
% its checks fails, so that ctest reports the failure.
try
  feval(name);
catch err
  fprintf(2, '%s FAILED: %s\n', name, err.message);
  for k = 1:numel(err.stack)
    fprintf(2, '  at %s line %d\n', err.stack(k).name, err.stack(k).line);
  end
  exit(1);
end
fprintf('%s passed\n', name);
end
