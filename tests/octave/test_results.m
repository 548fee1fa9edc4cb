function test_results()
% The values varn returns: those of the library called from C++, bit for
% bit; rows independent of each other; non-finite inputs kept to their row;
% rotation matrices orthonormal and consistent with each other.
NAMES = {'rc2t', 'rc2i', 'rpom', 'xp_rad', 'yp_rad', 'gmst', 'gst', 'utc', 'ut1', ...
         'tidal_args', 't', 'fa_l', 'fa_lp', 'fa_f', 'fa_d', 'fa_om', 'tai', 'era'};

% 1. Same bits as varn::iau_compute on the batch written by
% varn_reference_dump (realistic epochs from 1960 to 2060, a leap-second
% day, unnormalised seconds, a negative MJD, a date before the calendar,
% non-finite values).
[in, want] = read_reference();
got = varn_call(18, in);
for j = 1:18
  expect_same_bits(['library vs plug-in: ' NAMES{j}], want{j}, got{j});
end

% 2. A batch equals, row by row, single-epoch calls.
in = varn_inputs(9);
batch = varn_call(18, in);
for i = 1:9
  one = varn_call(18, cellfun(@(v) v(i, :), in, 'UniformOutput', false));
  for j = 1:18
    expect_same_bits(sprintf('row %d of %s', i, NAMES{j}), batch{j}(i, :), one{j});
  end
end
% And a second call gives the same bits: nothing survives between calls.
again = varn_call(18, in);
for j = 1:18
  expect_same_bits(['second call: ' NAMES{j}], batch{j}, again{j});
end

% 3. NaN or Inf in one row leaves every other row as it was, and makes
% its own row non-finite in the outputs that depend on the faulty input
% (through UT1 - UTC: UT1, both sidereal times, tau, ERA and rc2t), and in
% those only.
bad_cases = {
  % input  value  outputs non-finite in the row
  1,       NaN,   1:18
  1,       Inf,   1:18
  2,       NaN,   [1 3 4]
  3,       -Inf,  [1 3 5]
  4,       NaN,   [1 2]
  5,       Inf,   [1 2]
  6,       NaN,   [1 6 7 9 10 18]
};
for c = 1:rows(bad_cases)
  k = bad_cases{c, 1};
  in2 = in;
  row = 4;
  in2{k}(row, end) = bad_cases{c, 2};
  out = varn_call(18, in2);
  others = [1:row-1, row+1:9];
  for j = 1:18
    expect_same_bits(sprintf('input %d = %g: other rows of %s', k, bad_cases{c, 2}, NAMES{j}), ...
                     batch{j}(others, :), out{j}(others, :));
    if any(bad_cases{c, 3} == j)
      assert(~all(isfinite(out{j}(row, :))), 'input %d = %g: %s of the row is finite', ...
             k, bad_cases{c, 2}, NAMES{j});
    else
      expect_same_bits(sprintf('input %d = %g: own row of %s', k, bad_cases{c, 2}, NAMES{j}), ...
                       batch{j}(row, :), out{j}(row, :));
    end
  end
end

% 4. Rotation matrices: R * R' = I and det R = +1 to a few 1e-16, and
% rc2t = rpom * Rz(era) * rc2i. Rz(a) rotates the axes about z by a.
Rz = @(a) [cos(a) sin(a) 0; -sin(a) cos(a) 0; 0 0 1];
for i = 1:9
  R = cell(1, 3);
  for j = 1:3
    R{j} = reshape(batch{j}(i, :), 3, 3);
    expect_near(sprintf('row %d: %s * %s''', i, NAMES{j}, NAMES{j}), eye(3), R{j} * R{j}', 1e-15);
    expect_near(sprintf('row %d: det %s', i, NAMES{j}), 1, det(R{j}), 1e-15);
  end
  expect_near(sprintf('row %d: rc2t = rpom Rz(era) rc2i', i), R{1}, ...
              R{3} * Rz(batch{18}(i)) * R{2}, 1e-15);
end

% 5. The high-frequency terms stay within their physical size: the ocean
% tides and libration move the pole by less than 1 milliarcsecond and UT1
% by less than 0.1 ms (IERS Conventions 2010, ch. 5 and 8).
DAS2R = pi / 648000;                               % radians per arcsecond
dxp_uas = (batch{4} / DAS2R - in{2}) * 1e6;
dyp_uas = (batch{5} / DAS2R - in{3}) * 1e6;
assert(all(abs(dxp_uas) < 1000) && all(abs(dyp_uas) < 1000), 'pole terms out of range');
assert(any(abs(dxp_uas) > 1), 'pole terms missing');
utc = batch{8};
ut1 = batch{9};
dut1_us = ((ut1(:, 1) - utc(:, 1)) * 86400 + ut1(:, 2) - utc(:, 2) - in{6}) * 1e6;
assert(all(abs(dut1_us) < 100) && any(abs(dut1_us) > 0.5), 'UT1 terms out of range');
end
