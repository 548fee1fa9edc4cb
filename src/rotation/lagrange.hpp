// Internal to the library: Lagrange interpolation on equispaced nodes, as the
// fast computation (pipeline/iau_compute_fast.hpp) reads its grids.
#pragma once

#include <array>

namespace varn::detail {

// Denominators of the Lagrange basis polynomials of the N nodes 0, 1, ...,
// N - 1: for node j the product over i != j of (j - i), that is
// (-1)^(N-1-j) j! (N-1-j)!, a whole number held exactly for N up to 19.
template <int N>
constexpr std::array<double, N> lagrange_denominators() {
    std::array<double, N> d{};
    for (int j = 0; j < N; ++j) {
        d[j] = 1.0;
        for (int i = 0; i < N; ++i) {
            if (i != j) d[j] *= static_cast<double>(j - i);
        }
    }
    return d;
}

// Weights w[0..N-1] of the Lagrange interpolant through the N equispaced
// nodes 0, 1, ..., N - 1 at the point x (in units of the node step): the
// value there is the sum of w[j] times the value at node j.
//
// The sum reproduces every polynomial of degree below N, to rounding (a few
// units in the last place for x inside [0, N - 1]). At a node, x = j exactly,
// the weights are exactly 1 at j and 0 elsewhere, so the interpolant returns
// the node's own bits. Each weight is the product of the factors (x - i),
// i != j, taken from running products from either end, divided by the
// denominator of node j; both are exact whole numbers at a node.
template <int N>
void lagrange_weights(double x, double w[N]) {
    double prefix[N];  // prefix[j]: product of (x - i) for i < j
    double p = 1.0;
    for (int j = 0; j < N; ++j) {
        prefix[j] = p;
        p *= x - j;
    }
    static constexpr std::array<double, N> DENOMINATOR = lagrange_denominators<N>();
    double suffix = 1.0;  // product of (x - i) for i > j
    for (int j = N - 1; j >= 0; --j) {
        w[j] = (prefix[j] * suffix) / DENOMINATOR[j];
        suffix *= x - j;
    }
}

// The WIDTH quantities interpolated at x from N consecutive nodes whose
// values lie node after node, WIDTH per node, from `nodes` on; the sum runs
// in node order.
template <int N, int WIDTH>
void lagrange_interpolate(double x, const double* nodes, double out[WIDTH]) {
    double w[N];
    lagrange_weights<N>(x, w);
    for (int q = 0; q < WIDTH; ++q) out[q] = 0.0;
    for (int j = 0; j < N; ++j) {
        for (int q = 0; q < WIDTH; ++q) out[q] += w[j] * nodes[j * WIDTH + q];
    }
}

}  // namespace varn::detail
