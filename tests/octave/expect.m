function expect(kind, what, varargin)
% EXPECT  The one check of the host tests; throws 'varn_test:fail' on failure.
%   expect('error', what, id, msg, nout, fn)  fn() called for nout outputs
%                                             must fail with identifier id
%                                             and message msg ('' = any)
%   expect('near', what, want, got, tol)      |got - want| <= tol, elementwise
%   expect('same', what, want, got)           same size, class and bits (any
%                                             NaN matches any NaN)
%   expect('true', what, cond)                cond is true
% A failure names what, the first bad element, want, got and the difference
% to 17 significant digits.
switch kind
  case 'error'
    [id, msg, nout, fn] = varargin{:};
    try
      if nout == 0
        fn();
      else
        out = cell(1, nout);
        [out{:}] = fn();
      end
    catch err
      % Octave puts "name: " before the message of a MEX error; MATLAB does not.
      got = regexprep(err.message, '^\w+: ', '');
      if ~strcmp(err.identifier, id) || ~(isempty(msg) || strcmp(got, msg))
        fail('%s: want error %s "%s", got %s "%s"', what, id, msg, err.identifier, got);
      end
      return;
    end
    fail('%s: want error %s "%s", got no error', what, id, msg);
  case {'near', 'same'}
    want = varargin{1};
    got = varargin{2};
    if ~isequal(size(want), size(got)) || ~strcmp(class(want), class(got))
      fail('%s: want %s %s, got %s %s', what, class(want), mat2str(size(want)), ...
           class(got), mat2str(size(got)));
    end
    want = double(want(:));
    got = double(got(:));
    if strcmp(kind, 'near')
      bad = find(~(abs(got - want) <= varargin{3}), 1);
      tol = varargin{3};
    else
      bad = find(typecast(want, 'uint64') ~= typecast(got, 'uint64') & ...
                 ~(isnan(want) & isnan(got)), 1);
      tol = 0;
    end
    if ~isempty(bad)
      fail('%s: element %d: want %.17g got %.17g diff %.17g tol %.17g', what, bad, ...
           want(bad), got(bad), got(bad) - want(bad), tol);
    end
  case 'true'
    if ~(islogical(varargin{1}) || isnumeric(varargin{1})) || ~all(varargin{1}(:)) ...
        || isempty(varargin{1})
      fail('%s: not true', what);
    end
  otherwise
    fail('expect: unknown kind %s', kind);
end
end

function fail(varargin)
error('varn_test:fail', varargin{:});
end
