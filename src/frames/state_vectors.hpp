// Positions, velocities and accelerations between the celestial (GCRS) and
// the terrestrial (ITRS) frame, both ways, from the matrices that
// iau_compute returns, with the Earth's rotation rate.
//
// Self-contained: include this header and link the varn library.
#pragma once

#include <cstdint>

#include "common/constants.hpp"

namespace varn {

// The rule, per row, with W = rpom (TIRS to ITRS) and RQ = W^T rc2t (the
// Earth rotation times the celestial-to-intermediate matrix, GCRS to TIRS):
//
//   omega = EARTH_RATE_RAD_S * (1 - lod / 86400)  rad/s, about the z axis of
//           the terrestrial intermediate frame (TIRS); w x u = (-w u_y,
//           w u_x, 0) for w = (0, 0, omega)
//
//   GCRS -> ITRS:  r' = RQ r
//                  v' = RQ v - w x r'
//                  a' = (RQ a - 2 (w x v')) - w x (w x r')
//                  r_ITRS = W r',  v_ITRS = W v',  a_ITRS = W a'
//
//   ITRS -> GCRS:  r' = W^T r_ITRS,  v' = W^T v_ITRS,  a' = W^T a_ITRS
//                  r = RQ^T r'
//                  v = RQ^T (v' + w x r')
//                  a = RQ^T ((a' + 2 (w x v')) + w x (w x r'))
//
// Each matrix-vector product sums its three terms in index order, and RQ is
// formed as a matrix before it is applied, each element of W^T rc2t summed
// in index order. The second direction undoes the first step by step, so a
// round trip returns its input to a few units of rounding.
//
// Neglected: the rates of W (polar motion) and of Q (precession-nutation)
// and the high-frequency part of the UT1 rate, all below 1e-11 rad/s against
// omega's 7.3e-5. Against the numerical derivative of iau_compute's own rc2t
// for TT from 1900 to 2100 (fixed pole and UT1 - UTC, lod = 0), the velocity
// of a point at rest in either frame is within 1e-11 s^-1 * |r| of it
// (measured: 7.7e-12 s^-1 * |r| at most, mostly the precession-nutation
// rate: 0.05 mm/s at low orbit, 0.3 mm/s at geostationary distance), and
// its acceleration within 3e-15 s^-2 * |r| (measured: 9.4e-16 s^-2 * |r|,
// as fine as that second derivative resolves). The lod term is the user's
// to give: 1 ms of excess length of day changes v by 1.2e-8 * |w x r|.
//
// Units: r, v and a in any one length unit, v per second, a per second
// squared; lod in seconds.
//
// References: IERS Conventions (2010), ch. 5: the transformation
// [GCRS] = Q R W [ITRS] and the Earth rotation angle, whose rate gives
// EARTH_RATE_RAD_S; the velocity and acceleration terms are those of a
// frame rotating at a constant rate (the transport theorem).

// The nominal angular velocity of the Earth, EARTH_RATE_RAD_S (rad/s), is
// that of common/constants.hpp.

// A batch of n 3 x 3 matrices: element (j, k), both from 0, of row i's matrix
// at data[i * row + j * mrow + k * mcol]; strides in doubles. The matrices
// that iau_compute writes, n x 9 column-major with the matrix flattened by
// columns, are {data, 1, n, 3 n}; a C-contiguous numpy (n, 3, 3) array is
// {data, 9, 3, 1}.
struct MatrixRows {
    const double* data;
    std::int64_t row, mrow, mcol;
};

// A batch of n 3-vectors: component k of row i at data[i * row + k * comp].
// n x 3 column-major: {data, 1, n}; numpy (n, 3): {data, 3, 1}. A null data
// means the vector is absent.
struct VectorRows {
    const double* data;
    std::int64_t row, comp;
};
struct VectorRowsOut {
    double* data;
    std::int64_t row, comp;
};

// A batch of n values: row i at data[i * row]; row = 0 gives one value to
// every row. A null data means 0 in every row.
struct ScalarRows {
    const double* data;
    std::int64_t row;
};

// Transform the states of n rows, GCRS to ITRS (to_itrs true) or ITRS to
// GCRS, by the rule above.
//
//   rc2t, rpom  the celestial-to-terrestrial and polar-motion matrices of
//               each row, as iau_compute returns them
//   r, v, a     position, velocity, acceleration in the source frame; r is
//               needed; v may be absent when no velocity or acceleration is
//               asked, a when no acceleration is asked
//   lod         excess length of day, seconds (null: 0)
//   r_out, v_out, a_out
//               the same in the target frame; a null data is not written
//   threads     threads to use, the calling thread included (0 or less: one
//               per hardware thread); small batches stay on the calling
//               thread. Every result bit is the same on any count.
//
// Returns false, and writes nothing, when an output is asked whose inputs
// are absent (r; v for v_out; v and a for a_out). n <= 0 writes nothing.
// An output may be the very array of its own input (in place): each row is
// read whole before it is written. Rows are independent: a NaN or infinite
// input gives NaN in its own row of the outputs that depend on it, and in
// no other row. Reentrant; worker threads only compute.
bool transform_states(bool to_itrs, std::int64_t n, const MatrixRows& rc2t,
                      const MatrixRows& rpom, const VectorRows& r, const VectorRows& v,
                      const VectorRows& a, const ScalarRows& lod, const VectorRowsOut& r_out,
                      const VectorRowsOut& v_out, const VectorRowsOut& a_out, int threads = 0);

// The same on column-major arrays with n rows, as iau_compute takes them:
// rc2t and rpom n x 9, r, v, a and their outputs n x 3, lod n x 1. Any of
// v, a, lod and the outputs may be null, with the meaning above.
bool gcrs_to_itrs(std::int64_t n, const double* rc2t, const double* rpom, const double* r,
                  const double* v, const double* a, const double* lod, double* r_out,
                  double* v_out, double* a_out, int threads = 0);
bool itrs_to_gcrs(std::int64_t n, const double* rc2t, const double* rpom, const double* r,
                  const double* v, const double* a, const double* lod, double* r_out,
                  double* v_out, double* a_out, int threads = 0);

}  // namespace varn
