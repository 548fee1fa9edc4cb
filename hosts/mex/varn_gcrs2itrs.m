function varargout = varn_gcrs2itrs(varargin)
%VARN_GCRS2ITRS  Satellite states from the celestial frame (GCRS) to the
%                terrestrial frame (ITRS): position, velocity, acceleration.
%
%   [r, v, a] = varn_gcrs2itrs(rc2t, rpom, r, v, a, lod)
%   [r, v]    = varn_gcrs2itrs(rc2t, rpom, r, v)
%   r         = varn_gcrs2itrs(rc2t, rpom, r)
%
%   Inputs (n rows; real numeric arrays, converted to double):
%     rc2t  n x 9  celestial-to-terrestrial matrices, as varn returns them
%     rpom  n x 9  polar-motion matrices, as varn returns them
%     r     n x 3  positions in GCRS, any length unit
%     v     n x 3  velocities in GCRS, that unit per second   (optional)
%     a     n x 3  accelerations in GCRS, per second squared  (optional)
%     lod   n x 1  excess length of day, seconds, or one scalar for all
%                  rows; 0 when left out                      (optional)
%   An optional input may be left out or given as [].
%
%   Outputs, as many as asked (none: r as ans), n x 3, real double:
%     r, v, a  position, velocity, acceleration in ITRS, in the units given
%   An output needs its input: asking for v without giving v, or for a
%   without giving a, is an error (MissingInput_v, MissingInput_a) rather
%   than a velocity or acceleration computed from zeros, which would look
%   right and be wrong. To transform a point at rest in GCRS, give zeros.
%
%   The rule, per row, with W = rpom and RQ = W' * rc2t (Earth rotation
%   times celestial-to-intermediate), w = [0; 0; omega] in the terrestrial
%   intermediate frame, omega = 7.292115146706979e-5 * (1 - lod/86400) rad/s:
%     r' = RQ * r
%     v' = RQ * v - cross(w, r')
%     a' = RQ * a - 2 * cross(w, v') - cross(w, cross(w, r'))
%     r_ITRS = W * r',  v_ITRS = W * v',  a_ITRS = W * a'
%   varn_itrs2gcrs is its exact inverse: a round trip returns the input to
%   rounding. The slow rates of W (polar motion) and of the celestial
%   matrix (precession-nutation) are left out: against the derivative of
%   varn's own rc2t from 1900 to 2100 the velocity is within 1e-11 * |r|
%   per second (measured 7.7e-12: 0.05 mm/s at low orbit) and the
%   acceleration within 3e-15 * |r| per second squared.
%
%   Rows are independent: a NaN or Inf input gives NaN in its own row of
%   the outputs that depend on it. Large batches are shared out among
%   threads as in varn, with the same bits on any number.
%
%   Errors (identifier: message), the first failed check is reported:
%     MATLAB:varn_gcrs2itrs:nInput              Three to six inputs required.
%     MATLAB:varn_gcrs2itrs:nOutput             Too many output arguments.
%     MATLAB:varn_gcrs2itrs:NonNumeric_<name>   Input for <name> must be numeric.
%     MATLAB:varn_gcrs2itrs:Complex_<name>      Input for <name> must be real.
%     MATLAB:varn_gcrs2itrs:Sparse_<name>       Input for <name> must be full.
%     MATLAB:varn_gcrs2itrs:WrongDimension_rc2t Input for rc2t must be of
%                                               dimension nx9
%     MATLAB:varn_gcrs2itrs:WrongDimension_<name>
%                                     Input for <name> must be of dimension
%                                     nx9 (rpom), nx3 (r, v, a) or nx1 or a
%                                     scalar (lod), n the rows of rc2t
%     MATLAB:varn_gcrs2itrs:MissingInput_v      Output v requires input v.
%     MATLAB:varn_gcrs2itrs:MissingInput_a      Output a requires input a.
%     MATLAB:varn_gcrs2itrs:OutOfMemory         Allocation would exceed
%                                               memory limit
%   Class checks of the inputs given, in argument order, come before every
%   shape check.
%
%   Example: a low-orbit state on 2020 January 1, 12h TT
%     tt = [58849 43200];
%     [rc2t, ~, rpom] = varn(tt, 0.0766, 0.2829, 1.5e-4, -1e-5, -0.1772);
%     r = [-1237100 6089300 2984400];    % m, GCRS
%     v = [-5271.3 1410.5 -5063.3];      % m/s, GCRS
%     [r_itrs, v_itrs] = varn_gcrs2itrs(rc2t, rpom, r, v)
%     [r_back, v_back] = varn_itrs2gcrs(rc2t, rpom, r_itrs, v_itrs);  % = r, v
%
%   Build the plug-in with build_varn (from the repository root, in MATLAB
%   or Octave) or with CMake, which puts it in build/gateway.

% Reached only when no varn_gcrs2itrs MEX file comes before this file on the path.
error('MATLAB:varn_gcrs2itrs:NoMex', ['varn_gcrs2itrs.m holds only the help text and ' ...
      'the varn_gcrs2itrs MEX file was not found before it: run build_varn in this ' ...
      'folder, or add build/gateway to the path and work from another folder.']);
end
