function test_state()
% varn_gcrs2itrs by the rule written out here and varn_itrs2gcrs back, on 2007 April 5, 12h UTC
% (published EOP) and two more; optional inputs, scalar lod, classes; every error.
[rc2t, ~, rpom] = varn([54195 43265.184; 58849.25 0; 60000 0], [0.0349282; 0.08; 0.1], ...
                       [0.4833163; 0.3; 0.35], [0.1750e-3; 0; 0], [-0.2259e-3; 0; 0], ...
                       [-0.072073685; -0.18; 0.1]);
r = [-1237100 6089300 2984400; 7e6 1e5 -2e5; 4.2e7 -1e3 5e2];        % m
v = [-5271.3 1410.5 -5063.3; 10 7400 1000; 3000 -2 1];               % m/s
a = -3.986004418e14 * r ./ sqrt(sum(r .^ 2, 2)) .^ 3;                % m/s^2
lod = [1e-3; -2e-3; 0];                                              % s
want = zeros(3, 3, 3);
for i = 1:3
  W = reshape(rpom(i, :), 3, 3);
  RQ = W' * reshape(rc2t(i, :), 3, 3);
  w = [0; 0; 7.292115146706979e-5 * (1 - lod(i) / 86400)];
  rp = RQ * r(i, :)';
  vp = RQ * v(i, :)' - cross(w, rp);
  want(i, :, :) = W * [rp, vp, RQ * a(i, :)' - 2 * cross(w, vp) - cross(w, cross(w, rp))];
end
got = cell(2, 3);
[got{1, :}] = varn_gcrs2itrs(rc2t, rpom, r, v, a, lod);
[got{2, :}] = varn_itrs2gcrs(rc2t, rpom, got{1, :}, lod);
[given, tol] = deal({r, v, a}, [4e-8 1e-11 2e-14]);   % tol: 1e-15 of 42,000 km, of v's and a's terms
for k = 1:3
  expect('near', sprintf('ITRS vector %d', k), want(:, :, k), got{1, k}, tol(k));
  expect('near', sprintf('round trip vector %d', k), given{k}, got{2, k}, tol(k));
end
for name = {'varn_gcrs2itrs', 'varn_itrs2gcrs'}
  f = str2func(name{1});
  pre = ['MATLAB:' name{1} ':'];
  [r0, v0] = f(rc2t, rpom, r, v, [], zeros(3, 1));
  [r1, v1] = f(rc2t, rpom, r, v, [], []);
  [~, ~, a1] = f(rc2t, rpom, r, v, a, 1e-3);
  [~, ~, a3] = f(rc2t, rpom, r, v, a, [1e-3; 1e-3; 1e-3]);
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
