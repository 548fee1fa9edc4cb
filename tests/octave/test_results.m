function test_results()
% The values varn returns: those of the library called from C++, bit for
% bit (when the ctest run provides them); rows independent of each other
% and of earlier calls; non-finite inputs kept to their row; rotations
% orthonormal and consistent; high-frequency terms of their physical size.
NAMES = {'rc2t', 'rc2i', 'rpom', 'xp_rad', 'yp_rad', 'gmst', 'gst', 'utc', 'ut1', ...
         'tidal_args', 't', 'fa_l', 'fa_lp', 'fa_f', 'fa_d', 'fa_om', 'tai', 'era'};
if ~isempty(getenv('VARN_REFERENCE_FILE'))
  [in, want] = read_reference();
  got = cell(1, 18);
  [got{:}] = varn(in{:});
  for j = 1:18
    expect('same', ['library vs plug-in: ' NAMES{j}], want{j}, got{j});
  end
end

in = varn_inputs(9);
batch = cell(1, 18);
[batch{:}] = varn(in{:});
for i = [1 5 9]
  one = cell(1, 18);
  row = cellfun(@(v) v(i, :), in, 'UniformOutput', false);
  [one{:}] = varn(row{:});
  for j = 1:18
    expect('same', sprintf('row %d of %s', i, NAMES{j}), batch{j}(i, :), one{j});
  end
end

% NaN or Inf in row 4 of one input: other rows unchanged; in its own row the
% outputs that depend on that input non-finite, the others unchanged.
bad_cases = {
  1, NaN,  1:18
  2, NaN,  [1 3 4]
  3, -Inf, [1 3 5]
  4, NaN,  [1 2]
  5, Inf,  [1 2]
  6, NaN,  [1 6 7 9 10 18]
};
for c = 1:size(bad_cases, 1)
  k = bad_cases{c, 1};
  in2 = in;
  in2{k}(4, end) = bad_cases{c, 2};
  out = cell(1, 18);
  [out{:}] = varn(in2{:});
  for j = 1:18
    what = sprintf('input %d = %g: %s', k, bad_cases{c, 2}, NAMES{j});
    expect('same', [what ', other rows'], batch{j}([1:3 5:9], :), out{j}([1:3 5:9], :));
    if any(bad_cases{c, 3} == j)
      expect('true', [what ' non-finite'], ~all(isfinite(out{j}(4, :))));
    else
      expect('same', [what ', own row'], batch{j}(4, :), out{j}(4, :));
    end
  end
end

% rc2t = rpom Rz(era) rc2i, all three rotations; the ocean-tide and
% libration terms move the pole by less than 1 mas and UT1 by less than
% 0.1 ms, and they are there.
Rz = @(a) [cos(a) sin(a) 0; -sin(a) cos(a) 0; 0 0 1];
for i = 1:9
  R = cellfun(@(m) reshape(m(i, :), 3, 3), batch(1:3), 'UniformOutput', false);
  for j = 1:3
    expect('near', sprintf('row %d: %s orthonormal', i, NAMES{j}), eye(3), R{j} * R{j}', 1e-15);
  end
  expect('near', sprintf('row %d: rc2t = rpom Rz rc2i', i), R{1}, R{3} * Rz(batch{18}(i)) * R{2}, 1e-15);
end
DAS2R = pi / 648000;   % radians per arcsecond
dxp_uas = (batch{4} / DAS2R - in{2}) * 1e6;
dut1_us = ((batch{9}(:, 1) - batch{8}(:, 1)) * 86400 + batch{9}(:, 2) - batch{8}(:, 2) - in{6}) * 1e6;
expect('true', 'pole terms of their size', all(abs(dxp_uas) < 1000) && any(abs(dxp_uas) > 1));
expect('true', 'UT1 terms of their size', all(abs(dut1_us) < 100) && any(abs(dut1_us) > 0.5));
end
