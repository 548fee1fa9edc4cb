// Fundamental arguments and the libration models' argument vector.
//
// Reference: IERS Conventions (2010), eq. 5.43 (Delaunay arguments) and
// ch. 5.5.1 (the sidereal argument of the libration series).
#include "models/fundarg.hpp"

#include <cmath>
#include <cstddef>
#include <iterator>

namespace varn {
namespace {

// Arcseconds in a full turn.
constexpr double TURNAS = 1296000.0;
// Seconds of sidereal angle per radian: 86400 / (2 pi).
constexpr double SEC_PER_RAD = 13750.987083139758;

// Delaunay polynomials: coefficients of T^0 .. T^4, arcseconds per century^k.
struct DelaunayPoly { double c0, c1, c2, c3, c4; };
constexpr DelaunayPoly DELAUNAY[] = {
    //      c0 (")              c1 ("/cy)      c2 ("/cy^2)  c3 ("/cy^3)  c4 ("/cy^4)
    {485868.249036,  1717915923.2178,  31.8792,  0.051635,  -0.0002447},   // l
    {1287104.79305,  129596581.0481,   -0.5532,  0.000136,  -0.00001149},  // l'
    {335779.526232,  1739527262.8478, -12.7512, -0.001037,   0.00000417},  // F
    {1072260.70369,  1602961601.2090,  -6.3706,  0.006593,  -0.00003169},  // D
    {450160.398036,  -6962890.5431,     7.4722,  0.007702,  -0.00005939},  // Omega
};
static_assert(std::size(DELAUNAY) == 5, "one row per Delaunay argument");

// GMST polynomial of the libration series, seconds of sidereal time per
// century^k. The linear term is 8640184.812866 + 36525 * 86400. The cubic term
// -6.2e-6 enters at single precision, widened to double, as in the published
// model: -6.199999916134402e-06.
constexpr double GMST_G0 = 67310.54841;
constexpr double GMST_G1 = 3164400184.812866;
constexpr double GMST_G2 = 0.093104;
constexpr double GMST_G3 = static_cast<double>(-6.2e-6f);

inline double delaunay(const DelaunayPoly& p, double t) {
    double v = p.c4 * t + p.c3;
    v = v * t + p.c2;
    v = v * t + p.c1;
    v = v * t + p.c0;
    return std::fmod(v, TURNAS) * DAS2R;
}

}  // namespace

void fundarg(double t_jc, double& l, double& lp, double& f, double& d, double& om) {
    l = delaunay(DELAUNAY[0], t_jc);
    lp = delaunay(DELAUNAY[1], t_jc);
    f = delaunay(DELAUNAY[2], t_jc);
    d = delaunay(DELAUNAY[3], t_jc);
    om = delaunay(DELAUNAY[4], t_jc);
}

void libration_args(double rmjd, double arg[6], double& t_jc) {
    const double t = (rmjd - MJD_J2000) / DAYS_PER_JC;
    t_jc = t;
    // GMST in seconds; a truncating remainder keeps its sign before J2000.
    const double g = ((GMST_G3 * t + GMST_G2) * t + GMST_G1) * t + GMST_G0;
    const double gmst_s = std::fmod(g, 86400.0);
    arg[0] = std::fmod(gmst_s / SEC_PER_RAD + DPI, D2PI);
    fundarg(t, arg[1], arg[2], arg[3], arg[4], arg[5]);
}

double term_angle(const double arg[6], const int mult[6], double& sin_theta,
                  double& cos_theta) {
    double s = 0.0;
    for (std::size_t k = 0; k < 6; ++k) {
        s += static_cast<double>(mult[k]) * arg[k];
    }
    const double theta = rem_2pi(s);
    sin_theta = std::sin(theta);
    cos_theta = std::cos(theta);
    return theta;
}

}  // namespace varn
