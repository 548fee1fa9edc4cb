function expect_same_bits(what, want, got)
% Check that two double arrays have the same size and the same bits in
% every element, the sign of zero included; any NaN matches any NaN, since
% the sign and payload of a NaN are not part of a result.
if ~isa(got, 'double') || ~isreal(got) || issparse(got)
  error('varn_test:fail', '%s: want a real full double array, got %s', what, class(got));
end
if ~isequal(size(want), size(got))
  error('varn_test:fail', '%s: want size %s, got %s', what, mat2str(size(want)), ...
        mat2str(size(got)));
end
both_nan = isnan(want(:)) & isnan(got(:));
bad = find(typecast(want(:), 'uint64') ~= typecast(got(:), 'uint64') & ~both_nan, 1);
if ~isempty(bad)
  error('varn_test:fail', '%s: element %d: want %.17g got %.17g diff %.17g tol 0', ...
        what, bad, want(bad), got(bad), got(bad) - want(bad));
end
end
