function expect(kind, what, varargin)
% EXPECT  The one check of the host tests; throws 'varn_test:fail' on failure.
%   expect('error', what, id, msg, nout, fn)  fn() called for nout outputs must
%                                             fail with identifier id and
%                                             message msg ('' = any message)
%   expect('near', what, want, got, tol)      |got - want| <= tol, elementwise
%   expect('same', what, want, got)           same size, class and bits (any
%                                             NaN matches any NaN)
%   expect('true', what, cond)                cond is all true
% A failure names what and the first bad element: want, got, difference.
switch kind
  case 'error'
    [id, msg, nout, fn] = varargin{:};
    try
      out = cell(1, nout);
      if nout == 0, fn(); else, [out{:}] = fn(); end
    catch err
      got = regexprep(err.message, '^\w+: ', '');   % Octave prefixes "name: "
      if ~strcmp(err.identifier, id) || ~(isempty(msg) || strcmp(got, msg))
        error('varn_test:fail', '%s: want error %s "%s", got %s "%s"', what, id, msg, err.identifier, got);
      end
      return;
    end
    error('varn_test:fail', '%s: want error %s "%s", got no error', what, id, msg);
  case {'near', 'same'}
    [want, got] = varargin{1:2};
    if ~isequal(size(want), size(got)) || ~strcmp(class(want), class(got))
      error('varn_test:fail', '%s: want %s %s, got %s %s', what, class(want), ...
            mat2str(size(want)), class(got), mat2str(size(got)));
    end
    want = double(want(:));
    got = double(got(:));
    if strcmp(kind, 'near')
      bad = find(~(abs(got - want) <= varargin{3}), 1);
    else
      bad = find(typecast(want, 'uint64') ~= typecast(got, 'uint64') & ~(isnan(want) & isnan(got)), 1);
    end
    if ~isempty(bad)
      error('varn_test:fail', '%s: element %d: want %.17g got %.17g diff %.17g', what, bad, ...
            want(bad), got(bad), got(bad) - want(bad));
    end
  case 'true'
    c = varargin{1};
    if isempty(c) || ~all(c(:))
      error('varn_test:fail', '%s: not true', what);
    end
end
end
