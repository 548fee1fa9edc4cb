function in = varn_inputs(n)
% Six valid inputs {tt, xp, yp, dX, dY, DUT} of n epochs six hours apart from
% 2020 January 1, with Earth orientation of realistic size (arcsec, s).
i = (0:n-1)';
in = {[58849 + floor(i / 4), mod(i, 4) * 21600 + 123.25], 0.0766 + 1e-3 * i, ...
      0.2829 - 1e-3 * i, 1.5e-4 + 1e-6 * i, -1.0e-5 + 1e-6 * i, -0.1772 - 1e-4 * i};
end
