function test_threads()
% The thread count (VARN_NUM_THREADS in Octave, maxNumCompThreads in MATLAB)
% never changes a result: the reference batch repeated to a few hundred rows
% gives the library's bits with 1, 2 and 7 threads, with values that are not
% a count (ignored) and with none.
[in, want] = read_reference();
reps = ceil(300 / size(in{1}, 1));
in = cellfun(@(a) repmat(a, reps, 1), in, 'UniformOutput', false);
old = getenv('VARN_NUM_THREADS');
restore = onCleanup(@() setenv('VARN_NUM_THREADS', old));   % '' where it was unset
for setting = {'1', '2', '7', '0', '2x', '99999999999999999999', ''}
  setenv('VARN_NUM_THREADS', setting{1});   % '': as if unset
  got = cell(1, 18);
  [got{:}] = varn(in{:});
  for j = 1:18
    expect('same', sprintf('VARN_NUM_THREADS "%s", output %d', setting{1}, j), ...
           repmat(want{j}, reps, 1), got{j});
  end
end
end
