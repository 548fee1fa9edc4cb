// Subdiurnal libration in polar motion.
//
// Reference: IERS Conventions (2010), ch. 5.5.1, Table 5.1a. Each term turns
// the pole on a circle: dx - i dy = (xc - i xs) exp(i theta), so ys = -xc and
// yc = xs in every row.
#include "models/pmsdnut2.hpp"

#include <iterator>

#include "models/fundarg.hpp"

namespace varn {
namespace {

// One diurnal term. Multipliers of gamma, l, l', F, D, Omega; amplitudes of
// sin and cos of the term angle in x and y, microarcseconds. The amplitudes
// are held at single precision, as published with the model, and are widened
// to double when they enter the sums.
struct PmTerm {
    int iarg[6];
    float xs, xc, ys, yc;
};

constexpr PmTerm PM_TERMS[] = {
    // gamma   l  l'   F   D  Om       xs      xc      ys      yc
    // 1
    {{ 1, -1,  0, -2,  0, -1},  -0.4f,   0.3f,  -0.3f,  -0.4f},
    {{ 1, -1,  0, -2,  0, -2},  -2.3f,   1.3f,  -1.3f,  -2.3f},
    {{ 1,  1,  0, -2, -2, -2},  -0.4f,   0.3f,  -0.3f,  -0.4f},
    {{ 1,  0,  0, -2,  0, -1},  -2.1f,   1.2f,  -1.2f,  -2.1f},
    {{ 1,  0,  0, -2,  0, -2}, -11.4f,   6.5f,  -6.5f, -11.4f},
    {{ 1, -1,  0,  0,  0,  0},   0.8f,  -0.5f,   0.5f,   0.8f},
    {{ 1,  0,  0, -2,  2, -2},  -4.8f,   2.7f,  -2.7f,  -4.8f},
    {{ 1,  0,  0,  0,  0,  0},  14.3f,  -8.2f,   8.2f,  14.3f},
    {{ 1,  0,  0,  0,  0, -1},   1.9f,  -1.1f,   1.1f,   1.9f},
    {{ 1,  1,  0,  0,  0,  0},   0.8f,  -0.4f,   0.4f,   0.8f},
};
static_assert(std::size(PM_TERMS) == 10, "ten diurnal terms in Table 5.1a");

}  // namespace

void pmsdnut2(double rmjd, double pm[2]) {
    double arg[6];
    double t_jc;
    libration_args(rmjd, arg, t_jc);

    double dx = 0.0;
    double dy = 0.0;
    for (const PmTerm& term : PM_TERMS) {
        double s, c;
        term_angle(arg, term.iarg, s, c);
        dx = (dx + static_cast<double>(term.xs) * s) + static_cast<double>(term.xc) * c;
        dy = (dy + static_cast<double>(term.ys) * s) + static_cast<double>(term.yc) * c;
    }
    pm[0] = dx;
    pm[1] = dy;
}

}  // namespace varn
