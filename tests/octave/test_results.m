function test_results()
% The values varn returns: the library's, bit for bit (when the ctest run
% provides them), on any thread setting (VARN_NUM_THREADS: counts, values
% that are not a count, none; in MATLAB maxNumCompThreads rules); rows
% independent of each other; a NaN or Inf input kept to its row and to the
% outputs that depend on it; rotations consistent.
if ~isempty(getenv('VARN_REFERENCE_FILE'))
  [in, want] = read_reference();
  in = cellfun(@(a) repmat(a, 30, 1), in, 'UniformOutput', false);   % 330 rows
  old = getenv('VARN_NUM_THREADS');
  for setting = {'1', '2', '7', '0', '2x', '99999999999999999999', '', old}
    setenv('VARN_NUM_THREADS', setting{1});   % '': as if unset
    got = cell(1, 18);
    [got{:}] = varn(in{:});
    for j = 1:18
      expect('same', sprintf('threads "%s", output %d', setting{1}, j), repmat(want{j}, 30, 1), got{j});
    end
  end
end
in = varn_inputs(9);
batch = cell(1, 18);
[batch{:}] = varn(in{:});
row = cellfun(@(v) v(5, :), in, 'UniformOutput', false);
one = cell(1, 18);
[one{:}] = varn(row{:});
expect('true', 'row 5 alone', isequal(one, cellfun(@(v) v(5, :), batch, 'UniformOutput', false)));

% Input, value, outputs non-finite in that row (all others unchanged).
bad_cases = {1, NaN, 1:18; 2, NaN, [1 3 4]; 3, -Inf, [1 3 5]; 4, NaN, [1 2]; 5, Inf, [1 2]
             6, NaN, [1 6 7 9 10 18]};
for c = 1:size(bad_cases, 1)
  in2 = in;
  in2{bad_cases{c, 1}}(4, end) = bad_cases{c, 2};
  out = cell(1, 18);
  [out{:}] = varn(in2{:});
  for j = 1:18
    what = sprintf('input %d = %g, output %d', bad_cases{c, 1}, bad_cases{c, 2}, j);
    expect('same', [what ', other rows'], batch{j}([1:3 5:9], :), out{j}([1:3 5:9], :));
    if any(bad_cases{c, 3} == j)
      expect('true', [what ' non-finite'], ~all(isfinite(out{j}(4, :))));
    else
      expect('same', [what ', own row'], batch{j}(4, :), out{j}(4, :));
    end
  end
end

% rc2t = rpom Rz(era) rc2i, each a rotation.
Rz = @(a) [cos(a) sin(a) 0; -sin(a) cos(a) 0; 0 0 1];
for i = 1:9
  R = cellfun(@(m) reshape(m(i, :), 3, 3), batch(1:3), 'UniformOutput', false);
  expect('near', sprintf('row %d: rpom orthonormal', i), eye(3), R{3} * R{3}', 1e-15);
  expect('near', sprintf('row %d: rc2i orthonormal', i), eye(3), R{2} * R{2}', 1e-15);
  expect('near', sprintf('row %d: rc2t = rpom Rz rc2i', i), R{1}, R{3} * Rz(batch{18}(i)) * R{2}, 1e-15);
end
end
