function test_checks()
% Argument counts, shape checks and the order in which varn reports the
% first violation: counts, then the class of every input in argument order,
% then the shapes.
NAMES = {'tt', 'xp', 'yp', 'dX', 'dY', 'DUT'};
n = 3;
good = varn_inputs(n);

% Counts. The input count is checked before the output count.
count_cases = {
  % inputs                        outputs  identifier             message
  good(1:5),                      1,       'MATLAB:varn:nInput',  'Six inputs required.'
  [good, {1}],                    1,       'MATLAB:varn:nInput',  'Six inputs required.'
  {},                             0,       'MATLAB:varn:nInput',  'Six inputs required.'
  good(1:5),                      19,      'MATLAB:varn:nInput',  'Six inputs required.'
  [good, {1}],                    19,      'MATLAB:varn:nInput',  'Six inputs required.'
  good,                           19,      'MATLAB:varn:nOutput', 'Too many output arguments.'
  [{'a'}, good(2:6)],             19,      'MATLAB:varn:nOutput', 'Too many output arguments.'
};
for c = 1:rows(count_cases)
  expect_varn_error(count_cases{c, 3}, count_cases{c, 4}, count_cases{c, 2}, count_cases{c, 1});
end
out = varn_call(18, good);   % eighteen outputs are accepted
assert(numel(out) == 18);

% Shapes of tt: exactly two columns, any row count.
tt_shapes = {zeros(n, 3), zeros(n, 1), zeros(0, 0), zeros(n, 2, 2), zeros(1, 0)};
for c = 1:numel(tt_shapes)
  in = good;
  in{1} = tt_shapes{c};
  expect_varn_error('MATLAB:varn:WrongDimension_tt', 'Input for tt must be of dimension nx2', 1, in);
end

% Shapes of the columns: one column with the rows of tt. One message covers
% both conditions.
col_shapes = {zeros(n + 1, 1), zeros(n - 1, 1), zeros(1, n), zeros(n, 2), zeros(0, 0), ...
              zeros(n, 1, 2), zeros(1, 1)};
for k = 2:6
  msg = [NAMES{k} ' must have the same number of rows as tt'];
  for c = 1:numel(col_shapes)
    in = good;
    in{k} = col_shapes{c};
    expect_varn_error(['MATLAB:varn:WrongDimension_' NAMES{k}], msg, 1, in);
  end
end
% Zero rows in tt with a 0 x 0 column: the column count still fails.
in = varn_inputs(0);
in{4} = [];
expect_varn_error('MATLAB:varn:WrongDimension_dX', 'dX must have the same number of rows as tt', 1, in);

% The first faulty input is reported, and every class check of every input
% comes before any shape check.
order_cases = {
  % input -> replacement pairs            identifier
  {1, zeros(n, 3), 3, 'abc'},             'MATLAB:varn:NonNumeric_yp'
  {1, 'ab', 2, 'ab'},                     'MATLAB:varn:NonNumeric_tt'
  {1, zeros(n, 3), 2, complex(good{2})},  'MATLAB:varn:Complex_xp'
  {1, zeros(n, 3), 6, sparse(good{6})},   'MATLAB:varn:Sparse_DUT'
  {3, complex(good{3}), 4, 'a'},          'MATLAB:varn:Complex_yp'
  {2, sparse(good{2}), 3, true(n, 1)},    'MATLAB:varn:Sparse_xp'
  {5, zeros(n, 2), 6, {1, 2, 3}},         'MATLAB:varn:NonNumeric_DUT'
  {2, zeros(n + 1, 1), 3, zeros(1, n)},   'MATLAB:varn:WrongDimension_xp'
  {1, zeros(n, 3), 2, zeros(n + 1, 1)},   'MATLAB:varn:WrongDimension_tt'
  {6, zeros(n, 2), 5, zeros(n + 1, 1)},   'MATLAB:varn:WrongDimension_dY'
};
for c = 1:rows(order_cases)
  in = good;
  pairs = order_cases{c, 1};
  for p = 1:2:numel(pairs)
    in{pairs{p}} = pairs{p + 1};
  end
  id = order_cases{c, 2};
  name = regexprep(id, '^MATLAB:varn:[A-Za-z]+_', '');
  switch regexprep(id, '^MATLAB:varn:([A-Za-z]+)_.*$', '$1')
    case 'NonNumeric',     msg = ['Input for ' name ' must be numeric.'];
    case 'Complex',        msg = ['Input for ' name ' must be real.'];
    case 'Sparse',         msg = ['Input for ' name ' must be full.'];
    case 'WrongDimension'
      if strcmp(name, 'tt'), msg = 'Input for tt must be of dimension nx2';
      else, msg = [name ' must have the same number of rows as tt']; end
  end
  expect_varn_error(id, msg, 1, in);
end
end
