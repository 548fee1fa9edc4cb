% demo.m: varn over three days of 10-minute epochs.
%
% `make demo` runs it beside the plug-in:
%     cd build/gateway && octave-cli --no-gui --no-history --norc ../../examples/demo.m
% It runs from any folder that has the plug-in on the path, except the
% repository root, where the help-only varn.m would be found first.
% Prints the rotation and the time scales of one epoch, and writes
% varn_demo.png beside this file: the ocean-tide plus libration corrections
% of the pole coordinates and of UT1.

% ---------------------------------------------------------------------------
% Earth orientation at 0h UTC of each day. Illustrative values of the size
% found in the IERS daily series for early 2023 (pole a few tenths of an
% arcsecond, UT1 - UTC a few hundredths of a second, celestial pole offsets
% a few tenths of a milliarcsecond); not an official series.
%        MJD     xp (")   yp (")   UT1-UTC (s)  dX (mas)  dY (mas)
EOP = [ 60004   0.05103  0.40117  -0.018634     0.210    -0.120
        60005   0.05241  0.40185  -0.018975     0.216    -0.126
        60006   0.05377  0.40251  -0.019214     0.221    -0.131
        60007   0.05512  0.40314  -0.019371     0.226    -0.137 ];

DAS2R = 4.848136811095359935899141e-6;   % radians per arcsecond
TT_MINUS_UTC_S = 37 + 32.184;            % TAI - UTC = 37 s since 2017; TT - TAI = 32.184 s

% ---------------------------------------------------------------------------
% Epochs: 2023 March 1 to 3 (UTC), every 10 minutes, and the daily values
% interpolated linearly to them, as one does with a daily series.
step_s = 600;
utc_s = (0 : step_s : 3 * 86400 - step_s)';      % seconds since 2023-03-01 0h UTC
n = numel(utc_s);
utc_day = EOP(1, 1) + floor(utc_s / 86400);       % MJD (UTC) of each epoch
utc_sec = mod(utc_s, 86400);                      % seconds into that UTC day
mjd_utc = EOP(1, 1) + utc_s / 86400;
xp  = interp1(EOP(:, 1), EOP(:, 2), mjd_utc);           % arcsec
yp  = interp1(EOP(:, 1), EOP(:, 3), mjd_utc);           % arcsec
DUT = interp1(EOP(:, 1), EOP(:, 4), mjd_utc);           % s
dX  = interp1(EOP(:, 1), EOP(:, 5), mjd_utc) * 1e-3;    % mas -> arcsec
dY  = interp1(EOP(:, 1), EOP(:, 6), mjd_utc) * 1e-3;    % mas -> arcsec

% varn takes TT as (MJD, seconds); the seconds need not stay below 86400.
tt = [utc_day, utc_sec + TT_MINUS_UTC_S];

[rc2t, rc2i, rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t, ...
 fa_l, fa_lp, fa_f, fa_d, fa_om, tai, era] = varn(tt, xp, yp, dX, dY, DUT);

% ---------------------------------------------------------------------------
% High-frequency corrections recovered from the outputs. The pole comes
% back in radians with the corrections added; UT1 comes back as day and
% seconds with the correction added to the seconds, while UTC + DUT is
% UT1 without it. Both pairs are differenced day and seconds apart, so the
% result does not suffer from a day boundary between them.
dxp_uas = (xp_rad / DAS2R - xp) * 1e6;                   % microarcseconds
dyp_uas = (yp_rad / DAS2R - yp) * 1e6;                   % microarcseconds
dut1_us = ((ut1(:, 1) - utc(:, 1)) * 86400 + (ut1(:, 2) - utc(:, 2)) - DUT) * 1e6;  % us
% UT1 passes through a Julian Date of about 60000 days, whose last bit is
% 0.6 microseconds: dut1_us carries that rounding, well below its signal.

% ---------------------------------------------------------------------------
% One epoch in detail: 2023 March 2, 12:00 UTC.
i = find(utc_s == 86400 + 43200);
fmt_day = @(day, sec) sprintf('MJD %5d + %12.6f s   (%s)', day, sec, ...
                              datestr(day + 678942 + sec / 86400, 'yyyy-mm-dd HH:MM:SS.FFF'));
mat = @(row) reshape(row, 3, 3);
print_matrix = @(name, R) fprintf('%s\n%s', name, sprintf('  %+.15f  %+.15f  %+.15f\n', R'));
deg = @(rad) rad * 180 / pi;

fprintf('varn demo: %d epochs, 2023-03-01 to 2023-03-03 UTC, every %d minutes\n\n', ...
        n, step_s / 60);
fprintf('Epoch %d of %d\n', i, n);
fprintf('  TT   %s\n', fmt_day(tt(i, 1) + floor(tt(i, 2) / 86400), mod(tt(i, 2), 86400)));
fprintf('  TAI  %s\n', fmt_day(tai(i, 1), tai(i, 2)));
fprintf('  UTC  %s\n', fmt_day(utc(i, 1), utc(i, 2)));
fprintf('  UT1  %s   (with the corrections)\n', fmt_day(ut1(i, 1), ut1(i, 2)));
fprintf('  t    %.12f Julian centuries of TT since J2000.0\n\n', t(i));
fprintf('Earth orientation given: xp = %.6f", yp = %.6f", UT1-UTC = %.7f s, dX = %.4f mas, dY = %.4f mas\n', ...
        xp(i), yp(i), DUT(i), dX(i) * 1e3, dY(i) * 1e3);
fprintf('Ocean-tide + libration corrections: dxp = %+.2f uas, dyp = %+.2f uas, dUT1 = %+.2f us\n', ...
        dxp_uas(i), dyp_uas(i), dut1_us(i));
fprintf('Corrected pole: xp = %.12e rad, yp = %.12e rad\n\n', xp_rad(i), yp_rad(i));
fprintf('Angles                              degrees              radians\n');
angles = {'Earth rotation angle (ERA)', era(i); ...
          'Greenwich mean sidereal time', gmst(i); ...
          'Greenwich apparent sidereal time', gst(i); ...
          'Moon mean anomaly l', fa_l(i); ...
          'Sun mean anomaly l''', fa_lp(i); ...
          'F = L - Omega', fa_f(i); ...
          'Moon elongation D', fa_d(i); ...
          'Moon node Omega', fa_om(i); ...
          'Doodson tau (mean lunar time)', tidal_args(i, 1)};
for k = 1:size(angles, 1)
  fprintf('  %-32s %16.9f  %18.12f\n', angles{k, 1}, deg(angles{k, 2}), angles{k, 2});
end
fprintf('  (fundamental and tidal arguments are not reduced to one turn)\n\n');
print_matrix('Celestial to intermediate (GCRS to CIRS), rc2i:', mat(rc2i(i, :)));
print_matrix('Polar motion (TIRS to ITRS), rpom:', mat(rpom(i, :)));
print_matrix('Celestial to terrestrial (GCRS to ITRS), rc2t:', mat(rc2t(i, :)));
R = mat(rc2t(i, :));
fprintf('  |R*R'' - I| = %.1e, det R = %.16f\n\n', max(max(abs(R * R' - eye(3)))), det(R));

fprintf('Over the three days: dxp in [%+.1f, %+.1f] uas, dyp in [%+.1f, %+.1f] uas, dUT1 in [%+.1f, %+.1f] us\n', ...
        min(dxp_uas), max(dxp_uas), min(dyp_uas), max(dyp_uas), min(dut1_us), max(dut1_us));

% ---------------------------------------------------------------------------
% Plot, without a display: an invisible figure printed to PNG. Octave draws
% through gnuplot here, which writes PNG itself (pngcairo).
here = fileparts(mfilename('fullpath'));
if isempty(here), here = pwd; end
png = fullfile(here, 'varn_demo.png');
is_octave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
if is_octave
  warning('off', 'Octave:gnuplot-graphics');
  warning('off', 'print:nogs');
  graphics_toolkit('gnuplot');
end
hours = utc_s / 3600;
fig = figure('visible', 'off');
series = {dxp_uas, 'x_p (\muas)', [0.00 0.45 0.74];
          dyp_uas, 'y_p (\muas)', [0.85 0.33 0.10];
          dut1_us, 'UT1 (\mus)',  [0.47 0.67 0.19]};
for k = 1:3
  subplot(3, 1, k);
  plot(hours, series{k, 1}, 'color', series{k, 3}, 'linewidth', 1.5);
  grid on;
  xlim([0 72]);
  set(gca, 'xtick', 0:6:72, 'fontsize', 9);
  ylabel(series{k, 2}, 'fontsize', 10);
  if k == 1
    title('Ocean-tide + libration corrections, 2023 March 1-3', 'fontsize', 11);
  end
end
xlabel('hours since 2023-03-01 0h UTC', 'fontsize', 10);
if is_octave
  print(fig, png, '-dpngcairo', '-S1000,900');
else
  set(fig, 'PaperPositionMode', 'auto', 'Position', [0 0 1000 900]);
  print(fig, png, '-dpng', '-r100');
end
close(fig);
fprintf('Wrote %s\n', png);
