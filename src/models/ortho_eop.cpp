// Orthotide model of the diurnal and semidiurnal ocean-tide effects on polar
// motion and UT1.
//
// Reference: IERS Conventions (2010), ch. 8.2 and Table 8.3; the orthotide
// formalism of Ray, Steinberg, Chao and Cartwright (1994). The potential of
// each band is sampled at the epoch and two days either side; the three
// samples are combined into six orthotide coefficients per band, and those are
// weighted into the three corrections.
#include "models/ortho_eop.hpp"

#include <cmath>
#include <cstddef>
#include <iterator>

#include "models/fundarg.hpp"

namespace varn {
namespace {

// MJD of 1960 May 22, 12h: the epoch at which the line phases hold.
constexpr double TIDE_EPOCH = 37076.5;
// Days between the samples of the potential.
constexpr double SAMPLE_STEP_DAYS = 2.0;

// Tidal lines of degree 2. nj and mj (degree and order) are whole numbers held
// as doubles; hs is the signed amplitude on the scale that the weights below
// are matched to; phase (radians) holds at TIDE_EPOCH, before the quarter-turn
// shift of the diurnal band, and is not reduced to one turn; freq in radians
// per day. Lines 1-41 are diurnal (m = 1), 42-71 semidiurnal (m = 2), each
// band rising in frequency. Lines 12, 23, 27, 56, 63 are O1, P1, K1, M2, S2.
struct TidalLine { double nj, mj, hs, phase, freq; };

constexpr TidalLine LINES[] = {
    //  nj   mj         hs   phase (rad)   freq (rad/day)
    // 1
    {2.0, 1.0,     -1.94,   9.0899831,    5.1868805},
    {2.0, 1.0,     -1.25,   8.8234208,   5.38346657},
    {2.0, 1.0,     -6.64,  12.1189598,   5.38439079},
    {2.0, 1.0,     -1.51,     1.44257,   5.41398343},
    {2.0, 1.0,     -8.02,    4.738109,   5.41490765},
    {2.0, 1.0,     -9.47,   4.4715466,   5.61149372},
    {2.0, 1.0,     -50.2,   7.7670857,   5.61241794},
    {2.0, 1.0,      -1.8,  -2.9093042,   5.64201057},
    {2.0, 1.0,     -9.54,   0.3862349,   5.64293479},
    {2.0, 1.0,      1.52,  -3.1758666,   5.83859664},
    // 11
    {2.0, 1.0,    -49.45,   0.1196725,   5.83952086},
    {2.0, 1.0,   -262.21,   3.4152116,   5.84044508},
    {2.0, 1.0,       1.7,  12.8946194,   5.84433381},
    {2.0, 1.0,      3.43,   5.5137686,   5.87485066},
    {2.0, 1.0,      1.94,   6.4441883,   6.03795537},
    {2.0, 1.0,      1.37,  -4.2322016,   6.06754801},
    {2.0, 1.0,      7.41,  -0.9366625,   6.06847223},
    {2.0, 1.0,     20.62,   8.5427453,   6.07236095},
    {2.0, 1.0,      4.14,  11.8382843,   6.07328517},
    {2.0, 1.0,      3.94,   1.1618945,   6.10287781},
    // 21
    {2.0, 1.0,     -7.14,   5.9693878,   6.24878055},
    {2.0, 1.0,      1.37,  -1.2032249,    6.2650583},
    {2.0, 1.0,   -122.03,   2.0923141,   6.26598252},
    {2.0, 1.0,      1.02,  -1.7847596,   6.28318449},
    {2.0, 1.0,      2.89,   8.0679449,   6.28318613},
    {2.0, 1.0,      -7.3,   0.8953321,   6.29946388},
    {2.0, 1.0,    368.78,   4.1908712,    6.3003881},
    {2.0, 1.0,     50.01,   7.4864102,   6.30131232},
    {2.0, 1.0,     -1.08,  10.7819493,   6.30223654},
    {2.0, 1.0,      2.93,   0.3137975,   6.31759007},
    // 31
    {2.0, 1.0,      5.25,   6.2894282,   6.33479368},
    {2.0, 1.0,      3.95,   7.2198478,   6.49789839},
    {2.0, 1.0,     20.62,   -0.161003,   6.52841524},
    {2.0, 1.0,      4.09,   3.1345361,   6.52933946},
    {2.0, 1.0,      3.42,   2.8679737,   6.72592553},
    {2.0, 1.0,      1.69,  -4.5128771,   6.75644239},
    {2.0, 1.0,     11.29,   4.9665307,   6.76033111},
    {2.0, 1.0,      7.23,   8.2620698,   6.76125533},
    {2.0, 1.0,      1.51,  11.5576089,   6.76217955},
    {2.0, 1.0,      2.16,   0.6146566,   6.98835826},
    // 41
    {2.0, 1.0,      1.38,   3.9101957,   6.98928248},
    {2.0, 2.0,       1.8,  20.6617051,  11.45675174},
    {2.0, 2.0,      4.67,  13.2808543,   11.4872686},
    {2.0, 2.0,     16.01,   16.309831,  11.68477889},
    {2.0, 2.0,     19.32,   8.9289802,  11.71529575},
    {2.0, 2.0,       1.3,   5.0519065,  11.73249771},
    {2.0, 2.0,     -1.02,  15.8350306,  11.89560406},
    {2.0, 2.0,     -4.51,   8.6624178,  11.91188181},
    {2.0, 2.0,    120.99,  11.9579569,  11.91280603},
    {2.0, 2.0,      1.13,   8.0808832,    11.930008},
    // 51
    {2.0, 2.0,     22.98,   4.5771061,  11.94332289},
    {2.0, 2.0,      1.06,   0.7000324,  11.96052486},
    {2.0, 2.0,      -1.9,  14.9869335,  12.11031632},
    {2.0, 2.0,     -2.18,  11.4831564,  12.12363121},
    {2.0, 2.0,    -23.58,   4.3105437,  12.13990896},
    {2.0, 2.0,    631.92,   7.6060827,  12.14083318},
    {2.0, 2.0,      1.92,    3.729009,  12.15803515},
    {2.0, 2.0,     -4.66,  10.6350594,  12.33834347},
    {2.0, 2.0,    -17.86,   3.2542086,  12.36886033},
    {2.0, 2.0,      4.47,  12.7336164,  12.37274905},
    // 61
    {2.0, 2.0,      1.97,  16.0291555,  12.37367327},
    {2.0, 2.0,      17.2,   10.160259,  12.54916865},
    {2.0, 2.0,     294.0,   6.2831853,  12.56637061},
    {2.0, 2.0,     -2.46,   2.4061116,  12.58357258},
    {2.0, 2.0,     -1.02,   5.0862033,  12.59985198},
    {2.0, 2.0,     79.96,   8.3817423,   12.6007762},
    {2.0, 2.0,     23.83,  11.6772814,  12.60170041},
    {2.0, 2.0,      2.59,  14.9728205,  12.60262463},
    {2.0, 2.0,      4.47,   4.0298682,  12.82880334},
    {2.0, 2.0,      1.95,   7.3254073,  12.82972756},
    // 71
    {2.0, 2.0,      1.17,   9.1574019,  13.06071921},
};
static_assert(std::size(LINES) == 71, "71 tidal lines: 41 diurnal, 30 semidiurnal");

// Orthogonalisation factors s1..s6 of each band (row 0: m = 1, row 1: m = 2).
struct OrthoFactors { double s1, s2, s3, s4, s5, s6; };
constexpr OrthoFactors ORTHO_FAC[] = {
    //     s1      s2      s3      s4      s5      s6
    {0.0298, 0.1408, 0.0805, 0.6002, 0.3025, 0.1517},  // m = 1, diurnal
    {0.0200, 0.0905, 0.0638, 0.3476, 0.1645, 0.0923},  // m = 2, semidiurnal
};
static_assert(std::size(ORTHO_FAC) == 2, "one row per tidal band");

// Weights of the twelve orthotide coefficients (rows, in the order of
// ortho_coef) in x and y (microarcseconds) and UT1 (microseconds).
struct OrthoWeight { double x, y, ut1; };
constexpr OrthoWeight ORTHOW[] = {
    //        x           y         UT1
    {  -6.77832,   14.86283,   -1.76335},  // 1
    { -14.86323,   -6.77846,    1.03364},  // 2
    {   0.47884,    1.45234,   -0.27553},  // 3
    {  -1.45303,    0.47888,    0.34569},  // 4
    {   0.16406,   -0.42056,   -0.12343},  // 5
    {    0.4203,    0.16469,   -0.10146},  // 6
    {   0.09398,   15.30276,   -0.47119},  // 7
    {  25.73054,   -4.30615,    1.28997},  // 8
    {  -4.77974,    0.07564,   -0.19336},  // 9
    {    0.2808,    2.28321,    0.02724},  // 10
    {   1.94539,   -0.45717,    0.08955},  // 11
    {  -0.73089,    -1.6201,    0.04726},  // 12
};
static_assert(std::size(ORTHOW) == 12, "one row per orthotide coefficient");

// The first part of every line angle, rem(phase - chi, 2 pi), with chi the
// quarter-turn shift of the diurnal band (n + m odd). It does not depend on
// the epoch, and a remainder is exact, so it is taken once, when the library
// is loaded, with the same operations as the per-epoch part: 213 remainders
// fewer per epoch and the same bits.
struct PhaseRemainders {
    double rem[std::size(LINES)];
};

PhaseRemainders phase_remainders() {
    PhaseRemainders p{};
    for (std::size_t j = 0; j < std::size(LINES); ++j) {
        const int n = static_cast<int>(LINES[j].nj);
        const int m = static_cast<int>(LINES[j].mj);
        const double chi = static_cast<double>((n + m) % 2) * D2PI * 0.25;
        p.rem[j] = std::fmod(LINES[j].phase - chi, D2PI);
    }
    return p;
}

const PhaseRemainders PHASE_REM = phase_remainders();

}  // namespace

void cnmtx(double rmjd, double ortho_coef[12]) {
    // Complex potential of each band (index m - 1) at each sample (index
    // k + 1 for k = -1, 0, +1; sample k lies at rmjd - 2k days).
    double pot_re[2][3];
    double pot_im[2][3];

    for (int k = -1; k <= 1; ++k) {
        const double delta_days = (rmjd - SAMPLE_STEP_DAYS * k) - TIDE_EPOCH;
        const int ks = k + 1;
        pot_re[0][ks] = 0.0;
        pot_im[0][ks] = 0.0;
        pot_re[1][ks] = 0.0;
        pot_im[1][ks] = 0.0;
        for (std::size_t j = 0; j < std::size(LINES); ++j) {
            const TidalLine& line = LINES[j];
            const int m = static_cast<int>(line.mj);
            // Line angle: the phase part and the time part, each reduced on
            // its own; their sum is left unreduced, within (-4 pi, 4 pi).
            const double alpha = PHASE_REM.rem[j] + rem_2pi(line.freq * delta_days);
            const double c = std::cos(alpha);
            const double s = std::sin(alpha);
            pot_re[m - 1][ks] += line.hs * c;
            pot_im[m - 1][ks] -= line.hs * s;
        }
    }

    for (int band = 0; band < 2; ++band) {
        const OrthoFactors& f = ORTHO_FAC[band];
        const double a0 = pot_re[band][1];
        const double b0 = pot_im[band][1];
        // Sample +1 (index 2) is the earlier time: AM, BM are earlier - later.
        const double ap = pot_re[band][2] + pot_re[band][0];
        const double am = pot_re[band][2] - pot_re[band][0];
        const double bp = pot_im[band][2] + pot_im[band][0];
        const double bm = pot_im[band][2] - pot_im[band][0];

        double* out = ortho_coef + 6 * band;
        out[0] = f.s1 * a0;                                  // P0
        out[1] = f.s1 * b0;                                  // Q0
        out[2] = f.s2 * a0 - f.s3 * ap;                      // P1
        out[3] = f.s2 * b0 - f.s3 * bp;                      // Q1
        out[4] = (f.s4 * a0 - f.s5 * ap) + f.s6 * bm;        // P2
        out[5] = (f.s4 * b0 - f.s5 * bp) - f.s6 * am;        // Q2
    }
}

void ortho_eop(double rmjd, double eop[3]) {
    double coef[12];
    cnmtx(rmjd, coef);
    double dx = 0.0;
    double dy = 0.0;
    double dut1 = 0.0;
    for (int j = 0; j < 12; ++j) {
        dx += coef[j] * ORTHOW[j].x;
        dy += coef[j] * ORTHOW[j].y;
        dut1 += coef[j] * ORTHOW[j].ut1;
    }
    eop[0] = dx;
    eop[1] = dy;
    eop[2] = dut1;
}

}  // namespace varn
