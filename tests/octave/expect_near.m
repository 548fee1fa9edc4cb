function expect_near(what, want, got, tol)
% Check |got - want| <= tol element by element (NaN fails); report the first
% failing element to 17 significant digits.
if ~isequal(size(want), size(got))
  error('varn_test:fail', '%s: want size %s, got %s', what, mat2str(size(want)), ...
        mat2str(size(got)));
end
d = got(:) - want(:);
k = find(~(abs(d) <= tol), 1);
if ~isempty(k)
  error('varn_test:fail', '%s: element %d: want %.17g got %.17g diff %.17g tol %.17g', ...
        what, k, want(k), got(k), d(k), tol);
end
end
