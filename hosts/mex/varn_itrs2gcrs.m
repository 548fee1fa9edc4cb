function varargout = varn_itrs2gcrs(varargin)
%VARN_ITRS2GCRS  Satellite states from the terrestrial frame (ITRS) to the
%                celestial frame (GCRS): position, velocity, acceleration.
%
%   [r, v, a] = varn_itrs2gcrs(rc2t, rpom, r, v, a, lod)
%
%   The inverse of varn_gcrs2itrs, with the same inputs, outputs, optional
%   arguments and checks (help varn_gcrs2itrs); r, v, a are given in ITRS
%   and returned in GCRS, and the error identifiers begin with
%   MATLAB:varn_itrs2gcrs: (MATLAB:varn_itrs2gcrs:nInput, ...).
%
%   The rule, per row, with W = rpom, RQ = W' * rc2t, w = [0; 0; omega],
%   omega = 7.292115146706979e-5 * (1 - lod/86400) rad/s:
%     r' = W' * r_ITRS,  v' = W' * v_ITRS,  a' = W' * a_ITRS
%     r = RQ' * r'
%     v = RQ' * (v' + cross(w, r'))
%     a = RQ' * (a' + 2 * cross(w, v') + cross(w, cross(w, r')))
%   A point fixed on the Earth (v_ITRS = 0) moves in GCRS at
%   cross(w_GCRS, r), about 465 m/s at the equator.
%
%   Example: a station on the equator at 2020 January 1, 12h TT
%     [rc2t, ~, rpom] = varn([58849 43200], 0.0766, 0.2829, 1.5e-4, -1e-5, -0.1772);
%     [r, v] = varn_itrs2gcrs(rc2t, rpom, [6378137 0 0], [0 0 0])
%
%   Build the plug-in with build_varn (from the repository root, in MATLAB
%   or Octave) or with CMake, which puts it in build/gateway.

% Reached only when no varn_itrs2gcrs MEX file comes before this file on the path.
error('MATLAB:varn_itrs2gcrs:NoMex', ['varn_itrs2gcrs.m holds only the help text and ' ...
      'the varn_itrs2gcrs MEX file was not found before it: run build_varn in this ' ...
      'folder, or add build/gateway to the path and work from another folder.']);
end
