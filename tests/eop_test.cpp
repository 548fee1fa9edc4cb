// Reader and interpolation of the IERS Earth orientation series, on excerpts
// of the real files in tests/data (see eopc20_layout_2016-12.txt for the one
// file that is re-laid rather than published).
#include "eop/eop_table.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "pipeline/time_scales.hpp"
#include "test_util.hpp"

namespace {

using varn::EopError;
using varn::EopTable;
using varn_test::near;

const std::string HERE = __FILE__;
const std::string DATA = HERE.substr(0, HERE.rfind('/')) + "/data/";  // tests/data

std::string slurp(const std::string& name) {
    std::ifstream f(DATA + name);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// x, y, dX, dY, UT1-UTC and the prediction flag of one epoch, TT = day + s/86400.
const char* const NAMES[5] = {"x", "y", "dX", "dY", "UT1-UTC"};
struct Eop { double v[5]; bool predicted; };
Eop at(const EopTable& t, double day, double s) {
    const double tt[2] = {day, s};
    Eop e;
    varn::eop_interpolate(t, 1, tt, &e.v[0], &e.v[1], &e.v[2], &e.v[3], &e.v[4], &e.predicted);
    return e;
}
// TT seconds into the UTC day at UTC hour h, given TAI - UTC.
double tt_s(double tai_minus_utc_s, double hour) {
    return hour * 3600.0 + tai_minus_utc_s + 32.184;
}
EopTable read(const std::string& name) {
    EopTable t;
    const varn::EopStatus s = varn::read_eop(DATA + name, t);
    EXPECT_EQ(s.error, EopError::None) << name << " line " << s.line << " " << s.field;
    return t;
}

// Each layout, read from its file, returns the file's values at its nodes
// (dX, dY of finals2000A converted from mas); tolerance 1e-11, the rounding
// of an epoch that the TT -> UTC chain puts within 1e-11 day of the node.
TEST(EopRead, NodesGiveTheFilesValuesInEveryLayout) {
    struct Case { const char* file; varn::EopFormat format; std::size_t rows; double mjd, dat;
                  Eop want; };
    const Case cases[] = {
        {"eopc04_14_2016-12.txt", varn::EopFormat::C04_14, 30, 57756, 37,
         {0.080325, 0.264049, -0.000060, -0.000127, 0.5889489, false}},
        // Before 1972 TAI - UTC drifts; the TAI -> UTC step of the time scales
        // takes it at 0h two days on: 1.845858 s + 4 days * 0.0011232 s/day.
        {"eopc04_14_1962-01.txt", varn::EopFormat::C04_14, 10, 37667, 1.8503508,
         {-0.019000, 0.215200, 0.0, 0.0, 0.0315526, false}},
        {"finals2000A_2015-01.txt", varn::EopFormat::Finals2000A, 60, 57049, 35,
         {0.002371, 0.303081, -0.148e-3, -0.021e-3, -0.4880090, false}},
        {"finals2000A_2016-07.txt", varn::EopFormat::Finals2000A, 21, 57580, 36,
         {0.183317, 0.469550, 0.024e-3, 0.237e-3, -0.2112284, true}},
    };
    for (const Case& c : cases) {
        const EopTable t = read(c.file);
        EXPECT_TRUE(t.format == c.format && t.mjd.size() == c.rows) << c.file;
        const Eop e = at(t, c.mjd, tt_s(c.dat, 0.0));
        for (int k = 0; k < 5; ++k)
            EXPECT_TRUE(near(NAMES[k], c.want.v[k], e.v[k], 1e-11)) << c.file;
        EXPECT_EQ(e.predicted, c.want.predicted) << c.file;
    }
}

// The same days in the 14 C04 and 20 C04 layouts give the same bits; the
// Bulletin A final values of finals2000A are another solution and agree with
// 14 C04 to their difference: pole 0.2 mas, UT1 50 us, dX and dY 0.3 mas.
TEST(EopRead, LayoutsAgree) {
    const EopTable c14 = read("eopc04_14_2016-12.txt"), c14b = read("eopc04_14_2015-01.txt");
    const EopTable fin = read("finals2000A_2015-01.txt");
    EopTable c20;
    std::istringstream in(slurp("eopc20_layout_2016-12.txt"));
    ASSERT_EQ(varn::read_eop(in, c20).error, EopError::None);
    EXPECT_EQ(c20.format, varn::EopFormat::C04_20);
    const double tol[5] = {2e-4, 2e-4, 3e-4, 3e-4, 5e-5}, DT35 = tt_s(35, 0);
    for (int k = 0; k < 5; ++k) {
        for (double d = 57739; d <= 57768; d += 0.37)
            EXPECT_TRUE(varn_test::same_bits(at(c14, d, 0).v[k], at(c20, d, 0).v[k])) << d;
        for (double d = 57048; d <= 57080; d += 0.5)  // the final (I) rows
            EXPECT_TRUE(near(NAMES[k], at(c14b, d, DT35).v[k], at(fin, d, DT35).v[k], tol[k])) << d;
    }
}

// Across the leap second at the end of 2016, UT1 - UTC jumps by 1 s while
// UT1 - TAI, and so the UT1 that utcut1 forms from the result, moves by the
// Earth's rotation only (about 1e-3 s/day: far below 1e-5 s in 0.5 s).
TEST(EopInterpolate, Ut1ContinuousAcrossLeapSecond) {
    const EopTable t = read("eopc04_14_2016-12.txt");
    double dut[9], ut1_tai[9];
    for (int k = 0; k < 9; ++k) {  // TAI seconds -2.25 .. 1.75 from 2017-01-01 0h UTC
        const double m = 57754.0 + (37.0 + 32.184 - 2.25 + 0.5 * k) / varn::DAYSEC;
        double tai1, tai2, utc1, utc2, ut11, ut12;
        varn::tttai(varn::DJMJD0, m, tai1, tai2);
        varn::taiutc(tai1, tai2, utc1, utc2);
        dut[k] = at(t, m, 0.0).v[4];
        varn::utcut1(utc1, utc2, dut[k], ut11, ut12);
        ut1_tai[k] = ((ut11 - tai1) + (ut12 - tai2)) * varn::DAYSEC;
        if (k == 0) continue;
        EXPECT_TRUE(near("UT1-TAI step", ut1_tai[k - 1], ut1_tai[k], 1e-5));
        EXPECT_TRUE(near("UT1-UTC step", k == 5 ? 1.0 : 0.0, dut[k] - dut[k - 1], 1e-5)) << k;
    }
    EXPECT_TRUE(near("UT1-TAI at 0h", 0.5912977 - 37.0, ut1_tai[8], 1e-4));
}

// A 20 C04 table of ten rows sampled at 12h, with CRLF line ends, all zero
// but a spike of 1" in x at one row. Between two rows the Lagrange weights
// of the four stencil nodes are -1/16, 9/16, 9/16, -1/16; in the first and
// last intervals (stencil moved inside the table) 5/16, 15/16, -5/16, 1/16
// and its mirror. Exact in binary: tolerance 1e-12.
TEST(EopInterpolate, StencilAndWeights) {
    const int rows = 10;
    const double w_mid[4] = {-1.0 / 16, 9.0 / 16, 9.0 / 16, -1.0 / 16};
    const double w_end[4] = {5.0 / 16, 15.0 / 16, -5.0 / 16, 1.0 / 16};
    for (int spike = 0; spike < rows; ++spike) {
        std::string text = "# FORMAT(4(I4),F10.2,...)\r\n# YR MM DD HH MJD x y UT1-UTC dX dY\r\n";
        for (int r = 0; r < rows; ++r) {
            char line[160];
            std::snprintf(line, sizeof line, "2000 1 %d %2d %.2f %9.6f 0.1 -0.2 0 0\r\n",
                          1 + r / 2, 12 * (r % 2), 51544 + 0.5 * r, r == spike ? 1.0 : 0.0);
            text += line;
        }
        EopTable t;
        varn::read_eop_text(text.data(), text.size(), t);
        for (int j = 0; j < rows - 1; ++j) {  // epoch halfway through interval j
            const int first = std::min(std::max(j - 1, 0), rows - 4);
            const int k = spike - first;
            double want = 0.0;
            if (k >= 0 && k < 4) want = j == 0 ? w_end[k] : j == rows - 2 ? w_end[3 - k] : w_mid[k];
            const Eop e = at(t, 51544, tt_s(32, 12 * j + 6));
            EXPECT_TRUE(near("x", want, e.v[0], 1e-12) && near("UT1-UTC", -0.2, e.v[4], 1e-12))
                << "spike " << spike << " interval " << j;
        }
    }
}

// Missing values, predictions, the end of the usable table and epochs
// outside it, in finals2000A: the last 11 rows (MJD 57588 on) have no dX, dY.
TEST(EopInterpolate, MissingPredictedAndOutside) {
    std::string text = slurp("finals2000A_2016-07.txt") + "16 730 57599.00\n";
    EopTable t;
    ASSERT_EQ(varn::read_eop_text(text.data(), text.size(), t).error, EopError::None);
    EXPECT_EQ(t.mjd.size(), 21u);  // the row without pole or UT1 ends the table
    const double tt[2 * 6] = {57585.5, 57586.5, 57597.99, 57577.9, 57598.1, NAN,
                              tt_s(36, 0), tt_s(36, 0), tt_s(36, 0), tt_s(36, 0), tt_s(36, 0), 0};
    double xp[6], yp[6], dX[6], dY[6], DUT[6];
    bool pred[6];
    EXPECT_EQ(varn::eop_interpolate(t, 6, tt, xp, yp, dX, dY, DUT, pred), 2);
    EXPECT_TRUE(std::isfinite(dX[0]) && std::isnan(dX[1]) && std::isnan(dY[1]));
    EXPECT_TRUE(std::isfinite(xp[1]) && std::isfinite(DUT[1]) && std::isfinite(xp[2]));
    EXPECT_TRUE(pred[0] && pred[2] && !pred[3] && !pred[4] && !pred[5]);
    for (int i = 3; i < 6; ++i) EXPECT_TRUE(std::isnan(xp[i]) && std::isnan(DUT[i])) << i;
    EXPECT_EQ(varn::eop_interpolate(EopTable{}, 1, tt, xp, yp, dX, dY, DUT, nullptr), 1);
    // A prediction in the first row of a stencil counts as in any other.
    text = slurp("finals2000A_2015-01.txt");
    text.replace(text.find("57048.00 I"), 10, "57048.00 P");
    varn::read_eop_text(text.data(), text.size(), t);
    EXPECT_TRUE(at(t, 57048.5, tt_s(35, 0)).predicted && !at(t, 57050.5, tt_s(35, 0)).predicted);
}

// Every reader error with its line and field: each case edits the first
// occurrence of a string in a real file.
TEST(EopRead, ErrorsNameLineAndField) {
    struct Case { const char* file; const char* from; const char* to; EopError error;
                  int line; const char* field; };
    const char* c14 = "eopc04_14_2016-12.txt";
    const char* fin = "finals2000A_2016-07.txt";
    const char* c20 = "eopc20_layout_2016-12.txt";
    const Case cases[] = {
        {c14, "2016  12  18", "2016  13  18", EopError::Malformed, 16, "month"},
        {c14, "2016  12  18", "2016  12  32", EopError::Malformed, 16, "day"},
        {c14, "2016  12  18", "2016  12  17", EopError::Malformed, 16, "date"},
        {c14, "2016  12  18", "   0  12  18", EopError::Malformed, 16, "year"},
        {c14, "57740", "5774x", EopError::Malformed, 16, "MJD"},
        {c14, "0.109722", "-.", EopError::Malformed, 16, "x"},
        {c14, "0.266098", "0.00000000000000000000001", EopError::Malformed, 16, "y"},
        {c14, "-0.3940176", "+0.3940176", EopError::Malformed, 16, "UT1-UTC"},
        {c14, "-0.000087", "-0.00.087", EopError::Malformed, 16, "dX"},
        {c14, "-0.000229", "99999999999999999", EopError::Malformed, 16, "dY"},
        {c14, "2016  12  18  57740", "2016  12  17  57739", EopError::Order, 16, "MJD"},
        {c14, "2016  12  19  57741", "2016  12  19  57741.0000015", EopError::Spacing, 17, "MJD"},
        {c14, "dX        dY        x Err     y Err   UT1-UTC Err  LOD Err     dX Err       dY",
         "dPsi      dEps      x Err     y Err   UT1-UTC Err  LOD Err     dPsi Err     dEps",
         EopError::Format, 0, ""},
        {c20, "18   0  57740.00", "18   1  57740.047", EopError::Malformed, 7, "hour"},
        {c20, "18   0  57740", "18  1x  57740", EopError::Malformed, 7, "hour"},
        {fin, "57586.00 P", "57586.00 X", EopError::Malformed, 9, "pole flag"},
        {fin, "0.194056", "0.19405x", EopError::Malformed, 9, "x"},
        {fin, "P-0.2146833", "X-0.2146833", EopError::Malformed, 9, "UT1 flag"},
        {fin, "P     0.004", "X     0.004", EopError::Malformed, 9, "nutation flag"},
        {fin, "0.004    0.239", "0.0x4    0.239", EopError::Malformed, 9, "dX"},
        {fin, "0.170", "0.1x0", EopError::Malformed, 9, "dY"},
        {fin, "16 711 57580.00", "16 711 57580.00\n", EopError::TooFew, 0, ""},
        {fin, "16 7 9 57578.00 P", "16 7 9 57578.00  ", EopError::Format, 0, ""},
    };
    for (const Case& c : cases) {
        std::string text = slurp(c.file);
        text.replace(text.find(c.from), std::strlen(c.from), c.to);
        EopTable t;
        const varn::EopStatus s = varn::read_eop_text(text.data(), text.size(), t);
        EXPECT_TRUE(s.error == c.error && s.line == c.line && std::string(s.field) == c.field)
            << c.from << " -> " << c.to << ": error " << int(s.error) << " line " << s.line
            << " field " << s.field;
        EXPECT_TRUE(t.mjd.empty() && t.xp.empty());
    }
    EopTable t;
    EXPECT_EQ(varn::read_eop(DATA + "none.txt", t).sys_errno, ENOENT);
    EXPECT_TRUE(varn::read_eop(DATA, t).sys_errno == EISDIR && t.mjd.empty());
}

}  // namespace
