// Libration in UT1 and length of day.
//
// Reference: IERS Conventions (2010), ch. 5.5.3, Table 5.1b. The LOD columns
// are tabulated, not derived: within the table's rounding each LOD term is the
// negative time derivative of its UT1 term.
#include "models/utlibr.hpp"

#include <iterator>

#include "models/fundarg.hpp"

namespace varn {
namespace {

// One semidiurnal term. Multipliers of gamma, l, l', F, D, Omega; amplitudes
// of sin and cos of the term angle in UT1 (microseconds) and in LOD
// (microseconds per day). The amplitudes are held at single precision, as
// published with the model, and are widened to double in the sums.
struct UtTerm {
    int iarg[6];
    float dut1s, dut1c, dlods, dlodc;
};

constexpr UtTerm UT_TERMS[] = {
    // gamma   l  l'   F   D  Om    dut1s   dut1c   dlods   dlodc
    // 1
    {{ 2, -2,  0, -2,  0, -2},  0.05f, -0.03f,  -0.3f,  -0.6f},
    {{ 2,  0,  0, -2, -2, -2},  0.06f, -0.03f,  -0.4f,  -0.7f},
    {{ 2, -1,  0, -2,  0, -2},  0.35f, -0.20f,  -2.4f,  -4.1f},
    {{ 2,  1,  0, -2, -2, -2},  0.07f, -0.04f,  -0.5f,  -0.8f},
    {{ 2,  0,  0, -2,  0, -1}, -0.07f,  0.04f,   0.5f,   0.8f},
    {{ 2,  0,  0, -2,  0, -2},  1.75f, -1.01f, -12.2f, -21.3f},
    {{ 2,  1,  0, -2,  0, -2}, -0.05f,  0.03f,   0.3f,   0.6f},
    {{ 2,  0, -1, -2,  2, -2},  0.04f, -0.03f,  -0.3f,  -0.6f},
    {{ 2,  0,  0, -2,  2, -2},  0.76f, -0.44f,  -5.5f,  -9.6f},
    {{ 2,  0,  0,  0,  0,  0},  0.21f, -0.12f,  -1.5f,  -2.6f},
    // 11
    {{ 2,  0,  0,  0,  0, -1},  0.06f, -0.04f,  -0.4f,  -0.8f},
};
static_assert(std::size(UT_TERMS) == 11, "eleven semidiurnal terms in Table 5.1b");

}  // namespace

void utlibr(double rmjd, double& dut1, double& dlod) {
    double arg[6];
    double t_jc;
    libration_args(rmjd, arg, t_jc);

    double du = 0.0;
    double dl = 0.0;
    for (const UtTerm& term : UT_TERMS) {
        double s, c;
        term_angle(arg, term.iarg, s, c);
        du = (du + static_cast<double>(term.dut1s) * s) + static_cast<double>(term.dut1c) * c;
        dl = (dl + static_cast<double>(term.dlods) * s) + static_cast<double>(term.dlodc) * c;
    }
    dut1 = du;
    dlod = dl;
}

}  // namespace varn
