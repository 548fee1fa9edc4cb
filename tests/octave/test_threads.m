function test_threads()
% VARN_NUM_THREADS sets how many threads a call uses and never a result:
% the reference batch repeated to a few hundred rows gives the library's
% bits, row for row, with 1, 2 and 7 threads, with values that are not a
% positive count (ignored) and with the variable unset.
[in, want] = read_reference();
reps = ceil(300 / size(in{1}, 1));
in = cellfun(@(a) repmat(a, reps, 1), in, 'UniformOutput', false);
want = cellfun(@(a) repmat(a, reps, 1), want, 'UniformOutput', false);
settings = {'1', '2', '7', '0', '-2', '+2', ' 2', '2x', '1e3', '0x10', ...
            '99999999999999999999', 'two', ''};   % '' unsets the variable
old = getenv('VARN_NUM_THREADS');
try
  for k = 1:numel(settings)
    set_threads(settings{k});
    got = varn_call(18, in);
    for j = 1:18
      expect('same', sprintf('VARN_NUM_THREADS "%s", output %d', settings{k}, j), ...
             want{j}, got{j});
    end
  end
catch err
  set_threads(old);
  rethrow(err);
end
set_threads(old);
end

function set_threads(value)
if isempty(value) && exist('unsetenv') ~= 0
  unsetenv('VARN_NUM_THREADS');
else
  setenv('VARN_NUM_THREADS', value);   % an empty value where there is no unsetenv
end
end
