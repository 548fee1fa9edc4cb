% demo.m: varn over three days of 10-minute epochs, with the Earth
% orientation read from a real IERS series by varn_eop.
%
% `make demo` runs it beside the plug-ins:
%     cd build/mex && octave-cli --no-gui --no-history --norc ../../examples/demo.m
% It runs from any folder that has the plug-ins on the path, except
% hosts/mex before build_varn has run there: its help-only varn.m would be
% found first.
% Prints the Earth orientation across the leap second at the end of 2016,
% the rotation and the time scales of one epoch, a satellite state carried
% from GCRS to ITRS at that epoch, and writes varn_demo.png
% beside this file: the ocean-tide plus libration corrections of the pole
% coordinates and of UT1.

% ---------------------------------------------------------------------------
% Earth orientation: an excerpt of the IERS EOP 14 C04 series (daily at 0h
% UTC, 2016-12-17 to 2017-01-15), as published.
here = fileparts(mfilename('fullpath'));
if isempty(here), here = pwd; end
eop_file = fullfile(here, '..', 'tests', 'data', 'eopc04_14_2016-12.txt');

DAS2R = 4.848136811095359935899141e-6;   % radians per arcsecond
TT_MINUS_TAI_S = 32.184;

% ---------------------------------------------------------------------------
% Epochs: 2016 December 31 to 2017 January 2 (UTC), every 10 minutes. TAI -
% UTC is 36 s until the leap second at the end of December 31, 37 s after.
FIRST_DAY = 57753;                                 % MJD of 2016-12-31
step_s = 600;
utc_s = (0 : step_s : 3 * 86400 - step_s)';      % UTC seconds since 2016-12-31 0h
n = numel(utc_s);
utc_day = FIRST_DAY + floor(utc_s / 86400);       % MJD (UTC) of each epoch
utc_sec = mod(utc_s, 86400);                      % seconds into that UTC day
tai_minus_utc = 36 + (utc_day >= 57754);
% varn takes TT as (MJD, seconds); the seconds need not stay below 86400.
tt = [utc_day, utc_sec + tai_minus_utc + TT_MINUS_TAI_S];

% The whole job: the series interpolated to the epochs, then the rotation.
[xp, yp, dX, dY, DUT] = varn_eop(eop_file, tt);
[rc2t, rc2i, rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t, ...
 fa_l, fa_lp, fa_f, fa_d, fa_om, tai, era] = varn(tt, xp, yp, dX, dY, DUT);

% ---------------------------------------------------------------------------
% High-frequency corrections recovered from the outputs. The pole comes
% back in radians with the corrections added; UT1 comes back as day and
% seconds with the correction added to the seconds, while TAI + (DUT -
% (TAI - UTC)) is UT1 without it. (UTC + DUT is not: on the leap-second day
% varn's UTC seconds are a fraction of a day of 86401 s, times 86400.) Both
% pairs are differenced day and seconds apart, so the result does not
% suffer from a day boundary between them.
dxp_uas = (xp_rad / DAS2R - xp) * 1e6;                   % microarcseconds
dyp_uas = (yp_rad / DAS2R - yp) * 1e6;                   % microarcseconds
ut1_minus_tai = (ut1(:, 1) - tai(:, 1)) * 86400 + (ut1(:, 2) - tai(:, 2));  % s
dut1_us = (ut1_minus_tai - (DUT - tai_minus_utc)) * 1e6;                     % us
% UT1 passes through a Julian Date of about 60000 days, whose last bit is
% 0.6 microseconds: dut1_us carries that rounding, well below its signal.

% ---------------------------------------------------------------------------
% Across the leap second: UT1 - UTC jumps by one second, while UT1 itself
% (varn's UT1 - TAI, which carries microseconds of tides) runs on.
fprintf('varn demo: %d epochs, 2016-12-31 to 2017-01-02 UTC, every %d minutes\n\n', ...
        n, step_s / 60);
fprintf('Across the leap second of 2016-12-31 (EOP 14 C04, read by varn_eop):\n');
fprintf('  UTC                     UT1-UTC (s)    UT1-TAI (s)\n');
for i = find(utc_s >= 86400 - 2 * step_s & utc_s <= 86400 + step_s)'
  fprintf('  %s   %+.7f     %+.7f\n', ...
          datestr(utc_day(i) + 678942 + utc_sec(i) / 86400, 'yyyy-mm-dd HH:MM:SS'), ...
          DUT(i), ut1_minus_tai(i));
end
fprintf('\n');

% ---------------------------------------------------------------------------
% The same batch by varn_fast, which reads the slow quantities of TT from
% fixed grids: within 1e-12 of varn (angles modulo 2 pi, UT1 within 1e-8 s),
% and on dense batches far faster (this one is small: 432 epochs).
if exist('varn_fast', 'file') == 3
  t0 = tic;
  [rc2t_fast, ~, ~, ~, ~, ~, ~, ~, ut1_fast, ~, ~, ~, ~, ~, ~, ~, ~, era_fast] = ...
      varn_fast(tt, xp, yp, dX, dY, DUT);
  fast_s = toc(t0);
  d_era = abs(mod(era_fast - era + pi, 2 * pi) - pi);
  fprintf('varn_fast: largest difference from varn %.1e in rc2t, %.1e rad in era, ', ...
          max(abs(rc2t_fast(:) - rc2t(:))), max(d_era));
  fprintf('%.1e s in UT1 (%.2f ms for the batch)\n\n', ...
          max(abs(ut1_fast(:, 2) - ut1(:, 2))), 1e3 * fast_s);
end

% ---------------------------------------------------------------------------
% One epoch in detail: 2017 January 1, 12:00 UTC.
i = find(utc_s == 86400 + 43200);
fmt_day = @(day, sec) sprintf('MJD %5d + %12.6f s   (%s)', day, sec, ...
                              datestr(day + 678942 + sec / 86400, 'yyyy-mm-dd HH:MM:SS.FFF'));
mat = @(row) reshape(row, 3, 3);
print_matrix = @(name, R) fprintf('%s\n%s', name, sprintf('  %+.15f  %+.15f  %+.15f\n', R'));
deg = @(rad) rad * 180 / pi;

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

% ---------------------------------------------------------------------------
% A satellite state from GCRS to ITRS at this epoch, and back: a circular
% orbit 500 km above the equatorial radius, inclined 97.4 degrees. Seen from
% the rotating Earth the velocity changes by up to 500 m/s and the
% acceleration gains the Coriolis and centrifugal terms. The excess length
% of day is left out (0): 1 ms of it would change v by 6e-6 m/s here.
if exist('varn_gcrs2itrs', 'file') == 3
  GM = 3.986004418e14;                         % m^3/s^2
  radius = 6878137;                            % m
  u = 30 * pi / 180;                           % argument of latitude
  inc = 97.4 * pi / 180;                       % inclination
  r_gcrs = radius * [cos(u), sin(u) * cos(inc), sin(u) * sin(inc)];
  v_gcrs = sqrt(GM / radius) * [-sin(u), cos(u) * cos(inc), cos(u) * sin(inc)];
  a_gcrs = -GM * r_gcrs / radius ^ 3;
  [r_itrs, v_itrs, a_itrs] = varn_gcrs2itrs(rc2t(i, :), rpom(i, :), r_gcrs, v_gcrs, a_gcrs);
  [r_back, v_back, a_back] = varn_itrs2gcrs(rc2t(i, :), rpom(i, :), r_itrs, v_itrs, a_itrs);
  fprintf('A satellite state at this epoch, by varn_gcrs2itrs (500 km circular orbit, i = 97.4 deg):\n');
  states = {'r (m)', r_gcrs, r_itrs; 'v (m/s)', v_gcrs, v_itrs; 'a (m/s^2)', a_gcrs, a_itrs};
  for k = 1:3
    fprintf('  %-9s GCRS %+18.9f %+18.9f %+18.9f   |.| %.9f\n', states{k, 1}, states{k, 2}, norm(states{k, 2}));
    fprintf('  %-9s ITRS %+18.9f %+18.9f %+18.9f   |.| %.9f\n', '', states{k, 3}, norm(states{k, 3}));
  end
  fprintf('  back to GCRS by varn_itrs2gcrs: largest change %.1e m, %.1e m/s, %.1e m/s^2\n\n', ...
          max(abs(r_back - r_gcrs)), max(abs(v_back - v_gcrs)), max(abs(a_back - a_gcrs)));
end

fprintf('Over the three days: dxp in [%+.1f, %+.1f] uas, dyp in [%+.1f, %+.1f] uas, dUT1 in [%+.1f, %+.1f] us\n', ...
        min(dxp_uas), max(dxp_uas), min(dyp_uas), max(dyp_uas), min(dut1_us), max(dut1_us));

% ---------------------------------------------------------------------------
% Plot, without a display: an invisible figure printed to PNG. Octave draws
% through gnuplot here, which writes PNG itself (pngcairo).
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
% Panels placed by hand, not by subplot: its default margins leave no room
% for the y label beside tick labels as wide as -1000, nor for a title that
% spans the figure. Left 0.16 of the width for the labels, the top 0.18 for
% the title (two lines), the bottom 0.12 for the x label, and room between
% the panels for their tick labels.
for k = 1:3
  axes('position', [0.16, 0.12 + (3 - k) * 0.26, 0.78, 0.18]);
  plot(hours, series{k, 1}, 'color', series{k, 3}, 'linewidth', 1.5);
  grid on;
  xlim([0 72]);
  set(gca, 'xtick', 0:6:72, 'fontsize', 9);
  ylabel(series{k, 2}, 'fontsize', 10);
  if k == 1
    % Two lines: on one the title is wider than the figure. The first line
    % is text above the axes, since gnuplot draws one line of a title only.
    title('2016-12-31 to 2017-01-02 (UTC)', 'fontsize', 10);
    text(0.5, 1.6, 'Ocean-tide + libration corrections', 'units', 'normalized', ...
         'horizontalalignment', 'center', 'fontsize', 11, 'fontweight', 'bold');
  end
end
xlabel('hours since 2016-12-31 0h UTC', 'fontsize', 10);
if is_octave
  print(fig, png, '-dpngcairo', '-S1000,900');
else
  set(fig, 'PaperPositionMode', 'auto', 'Position', [0 0 1000 900]);
  print(fig, png, '-dpng', '-r100');
end
close(fig);
fprintf('Wrote %s\n', png);
