function varargout = varn_fast(varargin)
%VARN_FAST  varn for dense batches: the same call, within 1e-12 of varn,
%           tens of times faster when the epochs lie close together in time.
%
%   [rc2t, rc2i, rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t, ...
%    fa_l, fa_lp, fa_f, fa_d, fa_om, tai, era] = varn_fast(tt, xp, yp, dX, dY, DUT)
%
%   Inputs, outputs, units, shapes, NaN handling and the order of the checks
%   are those of varn (help varn); error identifiers begin with
%   MATLAB:varn_fast: instead of MATLAB:varn: (MATLAB:varn_fast:nInput, ...).
%
%   What it approximates. The quantities that depend on TT alone and vary
%   slowly are interpolated from nodes at fixed TT instants, each node
%   computed exactly as varn computes an epoch:
%     - the CIP X, Y, the CIO locator s and the equation of the origins
%       (GST = ERA - EO): nodes every 1/2 day, 10-node Lagrange interpolant;
%     - the ocean-tide plus libration terms of the pole and of UT1: nodes
%       every 1/16 day (1.5 h), 10-node Lagrange interpolant.
%   Everything else is computed per epoch as in varn.
%
%   The bound, for TT from 1900 to 2100: every element of rc2t, rc2i, rpom,
%   and xp_rad, yp_rad, gst, era (modulo 2*pi) within 1e-12 of varn
%   (measured: 1.2e-13 at most), the seconds of ut1 within 1e-8 s (measured:
%   4e-10 s); gmst, utc, tai, t, tidal_args, fa_l ... fa_om and the day
%   column of ut1 identical to varn.
%
%   When it is exactly varn (identical bits, row by row):
%     - rows with TT before 1900 January 1 or from 2100 January 1 on
%       (MJD 15020 to 88069), NaN and out-of-calendar epochs included;
%     - rows with any NaN or Inf input;
%     - sparse batches: runs of epochs with fewer than 1.25 epochs per node
%       they would need (say, epochs days apart) are computed exactly, so
%       they cost what varn costs.
%   Which rows are interpolated, and every result, depend only on the set of
%   rows: not on their order, nor on the number of threads.
%
%   Use it for dense series (1 Hz data, minute or 10-minute steps, hourly
%   over days); for scattered epochs it gives varn's results at varn's cost.
%
%   Build the plug-in with build_varn (from the repository root, in MATLAB
%   or Octave) or with CMake, which puts it in build/gateway.

% Reached only when no varn_fast MEX file comes before this file on the path.
error('MATLAB:varn_fast:NoMex', ['varn_fast.m holds only the help text and the ' ...
      'varn_fast MEX file was not found before it: run build_varn in this folder, ' ...
      'or add build/gateway to the path and work from another folder.']);
end
