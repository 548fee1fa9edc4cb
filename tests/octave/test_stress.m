function test_stress(ncalls)
% Hostile calls of varn (and varn_fast where built): the session must survive
% them all, and each call must either fail with the error the contract
% predicts (input count, output count, then per input numeric, real, full,
% then the shapes) or return max(nargout, 1) real double outputs of n rows.
% Inputs: doubles of the right shape with values from realistic epochs to
% NaN, Inf, 2^31 and the calendar limits, or any other class or shape.
if nargin < 1
  ncalls = 3000;
end
rng(20100);
NAMES = {'tt', 'xp', 'yp', 'dX', 'dY', 'DUT'};
COLS = [9 9 9 1 1 1 1 2 2 11 1 1 1 1 1 1 2 1];
VALUES = [58849.5, 0, -0.25, NaN, Inf, -Inf, 2^31, -68569.5 - 2400000.5, 1e9, 2400001, 1e-310, 0.3];
plugins = {'varn'};
if exist('varn_fast', 'file') == 3
  plugins{end + 1} = 'varn_fast';
end
for call = 1:ncalls
  name = plugins{1 + mod(call, numel(plugins))};
  n = floor(rand() * 4);
  nin = 6;
  if rand() < 0.1
    nin = floor(rand() * 9);
  end
  nout = floor(rand() * 20);
  args = cell(1, nin);
  want = '';
  for k = 1:nin
    cols = 1 + (k == 1);
    v = VALUES(1 + floor(rand(n, cols) * numel(VALUES)));
    v = reshape(v, n, cols);
    kind = floor(rand() * 12);
    switch kind
      case 1, v = single(v);
      case 2, v = int32(v);
      case 3, v = v > 0;
      case 4, v = repmat('a', size(v));
      case 5, v = num2cell(v);
      case 6, v = complex(v, 1);
      case 7, v = sparse(v);
      case 8, v = zeros(floor(rand() * 4), floor(rand() * 4));
      case 9, v = zeros(n, cols, 2);
    end
    args{k} = v;
  end
  if nin ~= 6
    want = 'nInput';
  elseif nout > 18
    want = 'nOutput';
  else
    for k = 1:6   % classes first, for every input
      v = args{k};
      if ~isnumeric(v) && isempty(want)
        want = ['NonNumeric_' NAMES{k}];
      elseif isnumeric(v) && ~isreal(v) && isempty(want)
        want = ['Complex_' NAMES{k}];
      elseif issparse(v) && isempty(want)
        want = ['Sparse_' NAMES{k}];
      end
    end
    rows = size(args{1}, 1);
    for k = 1:6
      if isempty(want) && (size(args{k}, 2) * size(args{k}, 3) ~= 1 + (k == 1) || ...
                           (k > 1 && size(args{k}, 1) ~= rows))
        want = ['WrongDimension_' NAMES{k}];
      end
    end
  end
  f = str2func(name);
  if ~isempty(want)
    expect('error', sprintf('call %d', call), ['MATLAB:' name ':' want], '', nout, @() f(args{:}));
  else
    out = cell(1, max(nout, 1));
    [out{:}] = f(args{:});
    for j = 1:numel(out)
      expect('true', sprintf('call %d output %d', call, j), ...
             isa(out{j}, 'double') && isequal(size(out{j}), [size(args{1}, 1) COLS(j)]));
    end
  end
end
fprintf('test_stress: %d calls\n', ncalls);
end
