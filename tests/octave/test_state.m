function test_state()
% varn_gcrs2itrs and varn_itrs2gcrs equal to the library's own functions bit for bit (the
% reference dump: low orbit to the Moon's distance, lod per row), and a round trip; optional
% inputs, scalar lod, classes; every error.
[~, want, st] = read_reference();
[rc2t, rpom] = deal(want{1}(1:st.m, :), want{3}(1:st.m, :));
[r, v, a, lod] = st.given{:};
[got, back] = deal(cell(2, 3), cell(1, 3));
[got{1, :}] = varn_gcrs2itrs(rc2t, rpom, r, v, a, lod);
[got{2, :}] = varn_itrs2gcrs(rc2t, rpom, r, v, a, lod);
[back{:}] = varn_itrs2gcrs(rc2t, rpom, got{1, :}, lod);
tol = 8 * eps * [4e8 3e4 10];   % of |r|, |v| + w|r|, |a| + 2w|v| + w^2|r| at the Moon's distance
for k = 1:3
  expect('same', sprintf('GCRS -> ITRS vector %d', k), st.out{k}, got{1, k});
  expect('same', sprintf('ITRS -> GCRS vector %d', k), st.out{3 + k}, got{2, k});
  expect('near', sprintf('round trip vector %d', k), st.given{k}, back{k}, tol(k));
end
for name = {'varn_gcrs2itrs', 'varn_itrs2gcrs'}
  f = str2func(name{1});
  pre = ['MATLAB:' name{1} ':'];
  [r0, v0] = f(rc2t, rpom, r, v, [], zeros(st.m, 1));
  [r1, v1] = f(rc2t, rpom, r, v, [], []);
  [~, ~, a1] = f(rc2t, rpom, r, v, a, 1e-3);
  [~, ~, a3] = f(rc2t, rpom, r, v, a, repmat(1e-3, st.m, 1));
  expect('true', 'inputs left out, lod 0 then, scalar lod', isequal(v0, v1) && isequal(a1, a3) ...
         && isequal(r0, r1, f(rc2t, rpom, r), f(rc2t, rpom, r, v, a), f(rc2t, rpom, r, v, a, lod)));
  expect('same', 'single inputs', f(double(single(rc2t)), rpom, double(single(r))), f(single(rc2t), rpom, single(r)));
  expect('same', 'n = 0', zeros(0, 3), f(zeros(0, 9), zeros(0, 9), zeros(0, 3), [], [], 1));

  errors = {'nInput', 'Three to six inputs required.', 1, {rc2t, rpom}
            'nOutput', 'Too many output arguments.', 4, {rc2t, rpom, r, v, a}
            'NonNumeric_rc2t', 'Input for rc2t must be numeric.', 1, {'a', rpom, r}
            'Complex_v', 'Input for v must be real.', 1, {rc2t, rpom, r, complex(v)}
            'NonNumeric_lod', 'Input for lod must be numeric.', 1, {zeros(3), rpom, r, v, a, {}}
            'WrongDimension_rc2t', 'Input for rc2t must be of dimension nx9', 1, {zeros(3), rpom, r}
            'WrongDimension_rpom', 'Input for rpom must be of dimension nx9, n the rows of rc2t', 1, {rc2t, rpom(1:2, :), r}
            'WrongDimension_a', '', 1, {rc2t, rpom, r, v, zeros(0, 3)}
            'WrongDimension_lod', '', 1, {rc2t, rpom, r, v, a, [1 2 3]}
            'MissingInput_v', 'Output v requires input v.', 2, {rc2t, rpom, r}
            'MissingInput_v', '', 3, {rc2t, rpom, r, [], a}
            'MissingInput_a', 'Output a requires input a.', 3, {rc2t, rpom, r, v, [], 0}};
  for k = 1:size(errors, 1)
    expect('error', [name{1} ' ' errors{k, 1}], [pre errors{k, 1}], errors{k, 2}, errors{k, 3}, ...
           @() f(errors{k, 4}{:}));
  end
end
end
