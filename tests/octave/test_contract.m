function test_contract()
% The call contract of varn and of varn_fast, which copies it: counts, then
% the class of every input in argument order, then the shapes; the number,
% shapes and classes of the outputs; input classes converted or refused.
NAMES = {'tt', 'xp', 'yp', 'dX', 'dY', 'DUT'};
COLS = [9 9 9 1 1 1 1 2 2 11 1 1 1 1 1 1 2 1];
for name = {'varn', 'varn_fast'}
  if exist(name{1}, 'file') ~= 3, continue; end   % varn_fast not built
  f = str2func(name{1});
  pre = ['MATLAB:' name{1} ':'];
  good = varn_inputs(3);
  expect('error', 'five inputs', [pre 'nInput'], 'Six inputs required.', 19, @() f(good{1:5}));
  expect('error', 'seven inputs', [pre 'nInput'], 'Six inputs required.', 1, @() f(good{:}, 1));
  expect('error', '19 outputs', [pre 'nOutput'], 'Too many output arguments.', 19, @() f('a', good{2:6}));

  % Each faulty input alone, then pairs that show the order: every class
  % check (numeric, real, full) before every shape check.
  for k = 1:6
    v = good{k};
    shape_msg = [NAMES{k} ' must have the same number of rows as tt'];
    shapes = {zeros(4, 1), zeros(2, 1), v', zeros(3, 2), zeros(0, 0), zeros(3, 1, 2)};
    if k == 1
      shape_msg = 'Input for tt must be of dimension nx2';
      shapes = {zeros(3, 3), zeros(3, 1), zeros(0, 0), zeros(3, 2, 2), v'};
    end
    cases = {'NonNumeric_', 'must be numeric.', {v > 0, repmat('a', size(v)), num2cell(v), struct('v', v), @sin}
             'Complex_', 'must be real.', {complex(v, 1), complex(single(v), 0)}
             'Sparse_', 'must be full.', {sparse(v)}
             'WrongDimension_', '', shapes};
    for c = 1:4
      msg = ['Input for ' NAMES{k} ' ' cases{c, 2}];
      if c == 4, msg = shape_msg; end
      for b = 1:numel(cases{c, 3})
        in = good;
        in{k} = cases{c, 3}{b};
        expect('error', sprintf('%s %s case %d', name{1}, NAMES{k}, b), ...
               [pre cases{c, 1} NAMES{k}], msg, 1, @() f(in{:}));
      end
    end
  end
  order = {1, zeros(3, 3), 3, 'abc', 'NonNumeric_yp'; 1, 'ab', 2, 'ab', 'NonNumeric_tt'
           1, zeros(3, 3), 6, sparse(good{6}), 'Sparse_DUT'; 3, complex(good{3}), 4, 'a', 'Complex_yp'
           2, zeros(4, 1), 3, zeros(1, 3), 'WrongDimension_xp'; 6, zeros(3, 2), 5, zeros(4, 1), 'WrongDimension_dY'};
  for c = 1:size(order, 1)
    in = good;
    in([order{c, 1} order{c, 3}]) = order(c, [2 4]);
    expect('error', ['order ' order{c, 5}], [pre order{c, 5}], '', 1, @() f(in{:}));
  end

  % Outputs: any count from 0 to 18 from the front, n rows each, real double;
  % fewer outputs change nothing in those returned; the inputs are unchanged.
  for n = [0 1 4]
    in = varn_inputs(n);
    kept = in;
    all18 = cell(1, 18);
    [all18{:}] = f(in{:});
    for nout = [1 7 18]
      out = cell(1, nout);
      [out{:}] = f(in{:});
      expect('true', sprintf('%s n = %d, %d outputs', name{1}, n, nout), isequaln(out, all18(1:nout)) ...
             && isequal(cellfun(@(o) size(o, 2), out), COLS(1:nout)) && all(cellfun(@(o) ...
             size(o, 1) == n && isreal(o) && isa(o, 'double'), out)));
    end
    f(in{:});
    expect('true', 'ans without outputs, inputs unchanged', isequal(all18{1}, ans) && isequal(kept, in));
  end

  % Single and integer classes convert exactly, as the same values given as
  % double; int64 beyond 2^53 rounds as double() does.
  ints = {[58849 0; 58850 200], [0; 1], [1; 0], [0; 0], [0; 0], [0; 1]};
  want = cell(1, 18);
  [want{:}] = f(ints{:});
  for c = {'single', 'int8', 'uint8', 'int16', 'uint16', 'int32', 'uint32', 'int64', 'uint64'}
    in = cellfun(@(v) cast(v, c{1}), ints, 'UniformOutput', false);
    if any(strcmp(c{1}, {'int8', 'uint8', 'int16', 'uint16'})), in{1} = ints{1}; end  % MJD too big
    got = cell(1, 18);
    [got{:}] = f(in{:});
    for j = 1:18
      expect('same', sprintf('%s inputs, output %d', c{1}, j), want{j}, got{j});
    end
  end
  in = good;
  in{1} = [int64(58849), int64(2)^53 + 1; int64(58850), -int64(2)^53 - 1; int64(58851), 7];
  dbl = good;
  dbl{1} = double(in{1});
  expect('same', 'int64 beyond 2^53', f(dbl{:}), f(in{:}));
  in = cellfun(@single, good, 'UniformOutput', false);
  dbl = cellfun(@double, in, 'UniformOutput', false);
  expect('same', 'single with fractions', f(dbl{:}), f(in{:}));
end
end
