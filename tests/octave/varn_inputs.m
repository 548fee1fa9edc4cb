function in = varn_inputs(n)
% Six valid inputs of n epochs, as a cell {tt, xp, yp, dX, dY, DUT}: epochs
% six hours apart from 2020 January 1 with realistic Earth orientation
% (pole a few tenths of an arcsecond, UT1 - UTC a fraction of a second,
% celestial pole offsets a few tenths of a milliarcsecond).
i = (0:n-1)';
tt  = [58849 + floor(i / 4), mod(i, 4) * 21600 + 123.25];   % MJD (TT); s
xp  = 0.0766 + 1e-3 * i;                                     % arcsec
yp  = 0.2829 - 1e-3 * i;                                     % arcsec
dX  = 1.5e-4 + 1e-6 * i;                                     % arcsec
dY  = -1.0e-5 + 1e-6 * i;                                    % arcsec
DUT = -0.1772 - 1e-4 * i;                                    % s
in = {tt, xp, yp, dX, dY, DUT};
end
