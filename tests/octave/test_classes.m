function test_classes()
% Classes of the inputs: non-numeric classes fail the numeric check, complex
% and sparse arrays are refused, single and integer classes are converted to
% double exactly and give the results of the same values given as double.
NAMES = {'tt', 'xp', 'yp', 'dX', 'dY', 'DUT'};
n = 2;
good = varn_inputs(n);

% Rejected classes, at every position.
for k = 1:6
  v = good{k};
  non_numeric = {v > 0, repmat('a', size(v)), num2cell(v), struct('v', v), @sin, ...
                 sparse(v > 0), {}};
  for c = 1:numel(non_numeric)
    in = good;
    in{k} = non_numeric{c};
    expect_varn_error(['MATLAB:varn:NonNumeric_' NAMES{k}], ...
                      ['Input for ' NAMES{k} ' must be numeric.'], 1, in);
  end
  for cpx = {complex(v), complex(v, 1), complex(single(v), 0)}
    in = good;
    in{k} = cpx{1};
    expect_varn_error(['MATLAB:varn:Complex_' NAMES{k}], ...
                      ['Input for ' NAMES{k} ' must be real.'], 1, in);
  end
  in = good;
  in{k} = sparse(v);
  expect_varn_error(['MATLAB:varn:Sparse_' NAMES{k}], ...
                    ['Input for ' NAMES{k} ' must be full.'], 1, in);
end

% Converted classes. Values are chosen so that every class holds them
% exactly: whole numbers in the range of int8/uint8 for the integers.
int_in = {[58849 0; 58850 200], [0; 1], [1; 0], [0; 0], [0; 0], [0; 1]};
classes = {'single', 'int8', 'uint8', 'int16', 'uint16', 'int32', 'uint32', 'int64', 'uint64'};
ref = varn_call(18, int_in);
for c = 1:numel(classes)
  % Every input of the class at once, then one input at a time.
  in = cellfun(@(v) cast(v, classes{c}), int_in, 'UniformOutput', false);
  if strcmp(classes{c}, 'uint8') || strcmp(classes{c}, 'uint16')
    in{1} = cast([58849 0; 58850 200], 'uint32');   % the MJD does not fit
  elseif strcmp(classes{c}, 'int8') || strcmp(classes{c}, 'int16')
    in{1} = cast([58849 0; 58850 200], 'int32');
  end
  got = varn_call(18, in);
  for j = 1:18
    expect_same_bits(sprintf('%s inputs, output %d', classes{c}, j), ref{j}, got{j});
  end
  for k = 2:6
    in = int_in;
    in{k} = cast(int_in{k}, classes{c});
    got = varn_call(18, in);
    for j = 1:18
      expect_same_bits(sprintf('%s %s, output %d', classes{c}, NAMES{k}, j), ref{j}, got{j});
    end
  end
end

% Single precision with fractional values: the single value widened exactly,
% not reinterpreted as double bits.
in = cellfun(@single, good, 'UniformOutput', false);
want = varn_call(18, cellfun(@double, in, 'UniformOutput', false));
got = varn_call(18, in);
for j = 1:18
  expect_same_bits(sprintf('single inputs, output %d', j), want{j}, got{j});
end

% 64-bit integers beyond 2^53 convert as double() does (round to nearest).
big = int64(2)^53 + 1;
in = good;
in{1} = [int64(58849), big; int64(58850), -big];
want = good;
want{1} = double(in{1});
want_out = varn_call(1, want);
got_out = varn_call(1, in);
expect_same_bits('int64 beyond 2^53', want_out{1}, got_out{1});

% Outputs are always real double, whatever the input classes.
for j = 1:18
  assert(isa(got{j}, 'double') && isreal(got{j}) && ~issparse(got{j}));
end
end
