function test_shapes()
% Number and shapes of the outputs: any count from 0 to 18 taken from the
% front of the list, n rows each, for n = 0, 1 and several epochs.
COLS = [9 9 9 1 1 1 1 2 2 11 1 1 1 1 1 1 2 1];

for n = [0 1 5]
  in = varn_inputs(n);
  all18 = varn_call(18, in);
  for nout = 0:18
    out = varn_call(nout, in);
    assert(numel(out) == max(nout, 1), 'n = %d, %d outputs: got %d', n, nout, numel(out));
    for j = 1:numel(out)
      if ~isequal(size(out{j}), [n COLS(j)])
        error('varn_test:fail', 'n = %d, %d outputs: output %d has size %s, want [%d %d]', ...
              n, nout, j, mat2str(size(out{j})), n, COLS(j));
      end
      % Asking for fewer outputs changes nothing in those returned.
      expect_same_bits(sprintf('n = %d, output %d of %d', n, j, nout), all18{j}, out{j});
    end
  end
end

% With no output requested, rc2t still reaches the caller as ans.
in = varn_inputs(2);
varn(in{:});
rc2t = varn(in{:});
expect_same_bits('ans after a call without outputs', rc2t, ans);

% One epoch: scalars are 1 x 1 columns; a 1 x 2 tt is one epoch.
in = {[58849 43200], 0.08, 0.28, 1e-4, -1e-5, -0.18};
out = varn_call(18, in);
for j = 1:18
  assert(isequal(size(out{j}), [1 COLS(j)]));
end

% The inputs are read, never written: the caller's arrays, and any variable
% sharing their data, are unchanged after the call.
in = varn_inputs(4);
alias = in;
kept = cellfun(@(v) v + 0, in, 'UniformOutput', false);
varn_call(18, in);
for k = 1:6
  expect_same_bits(sprintf('input %d after the call', k), kept{k}, alias{k});
end
end
