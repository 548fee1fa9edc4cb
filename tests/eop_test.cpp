// Reader and interpolation of the IERS Earth orientation series, on excerpts of the real
// files in tests/data (eopc20_layout_2016-12.txt alone is re-laid, not published).
#include "eop/eop_table.hpp"
#include "time/time_scales.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "test_util.hpp"

namespace {

using namespace varn;
using varn_test::near;

using varn_test::DATA;

std::string slurp(const std::string& name) {
    std::ifstream f(DATA + name);
    return std::string(std::istreambuf_iterator<char>(f), {});
}
// x, y, dX, dY, UT1-UTC, LOD and the prediction flag at TT = day + s/86400.
struct Eop { double v[6]; bool predicted; };
Eop at(const EopTable& t, double day, double s) {
    const double tt[2] = {day, s};
    Eop e;
    eop_interpolate(t, 1, tt, &e.v[0], &e.v[1], &e.v[2], &e.v[3], &e.v[4], &e.predicted, nullptr,
                    &e.v[5]);
    return e;
}
// TT seconds into the UTC day at UTC hour h, given TAI - UTC.
double tt_s(double tai_minus_utc_s, double h) { return h * 3600.0 + tai_minus_utc_s + 32.184; }
EopTable read(const std::string& name) {
    EopTable t;
    EXPECT_EQ(read_eop(DATA + name, t).error, EopError::None) << name;
    return t;
}

// Every layout gives the file's values at its nodes (finals dX, dY from mas, LOD from ms) to
// 1e-11, the TT -> UTC rounding; 1962-01-01 0h UTC, the first row of its file, is inside
// (fixed fault). The 2016 finals rows have no LOD: NaN.
TEST(EopRead, NodesGiveTheFilesValues) {
    struct Case { const char* file; std::size_t rows; double mjd, dat, want[6]; bool pred = 0; };
    const Case cases[] = {
        {"eopc04_14_2016-12.txt", 30, 57756, 37,
         {0.080325, 0.264049, -60e-6, -127e-6, 0.5889489, 1.3554e-3}},
        {"eopc04_14_1962-01.txt", 10, 37665, 1.845858, {-0.0127, 0.213, 0, 0, 0.0326338, 1.723e-3}},
        {"finals2000A_2015-01.txt", 60, 57049, 35,
         {2371e-6, 0.303081, -148e-6, -21e-6, -0.488009, 1.1461e-3}},
        {"finals2000A_2016-07.txt", 21, 57580, 36,
         {0.183317, 0.46955, 24e-6, 237e-6, -.2112284, NAN}, 1},
    };
    for (const Case& c : cases) {
        const EopTable t = read(c.file);
        const Eop e = at(t, c.mjd, tt_s(c.dat, 0.0));
        EXPECT_TRUE(t.mjd.size() == c.rows && e.predicted == c.pred) << c.file;
        for (int k = 0; k < 6; ++k)
            EXPECT_TRUE(std::isnan(c.want[k]) ? std::isnan(e.v[k])
                                              : near(c.file, c.want[k], e.v[k], 1e-11)) << k;
    }
}

// Fixed fault: before 1972 DUT took TAI - UTC of 0h of the UTC date, and UT1 = UTC + DUT
// jumped by the day's drift (1.1 ms in 1962) at midnight: 1 s either side of 1962-01-04 0h
// UTC, UT1 - TAI differs by its rate (2e-8 s), to 1e-6 s.
TEST(EopInterpolate, Ut1ContinuousAtMidnightBefore1972) {
    const EopTable t = read("eopc04_14_1962-01.txt");
    double ut1_minus_tai[2], tai1, tai2, utc1, utc2;
    for (int k : {0, 1}) {  // TAI - UTC at 1962-01-04 0h: 1.845858 s + 3 d * 0.0011232 s/d
        const double s = tt_s(1.8492276, 0.0) + (k ? 1.0 : -1.0);
        tttai(DJMJD0, s / 86400.0 + 37668.0, tai1, tai2), taiutc(tai1, tai2, utc1, utc2);
        ut1_minus_tai[k] = (utc2 - tai2) * 86400.0 + at(t, 37668.0, s).v[4];
    }
    EXPECT_TRUE(near("UT1 - TAI (s)", ut1_minus_tai[0], ut1_minus_tai[1], 1e-6));
}

// 14 C04 and 20 C04 (read from a stream) of the same days agree bit for bit; the Bulletin A
// finals are another solution: within 0.2 mas of 14 C04 in pole, 0.3 mas in dX, dY, 50 us in UT1,
// 0.1 ms in LOD (41 us apart at most on those rows).
TEST(EopRead, LayoutsAgree) {
    const EopTable c14 = read("eopc04_14_2016-12.txt"), c14b = read("eopc04_14_2015-01.txt");
    const EopTable fin = read("finals2000A_2015-01.txt");
    EopTable c20;
    std::ifstream in(DATA + "eopc20_layout_2016-12.txt");
    ASSERT_EQ(read_eop(static_cast<std::istream&>(in), c20).error, EopError::None);
    const double tol[6] = {2e-4, 2e-4, 3e-4, 3e-4, 5e-5, 1e-4}, DT35 = tt_s(35, 0);
    for (int k = 0; k < 6; ++k) {
        for (double d = 57739; d <= 57768; d += 0.37)
            EXPECT_TRUE(varn_test::same_bits(at(c14, d, 0).v[k], at(c20, d, 0).v[k])) << d;
        for (double d = 57048; d <= 57080; d += 0.5)  // the final (I) rows
            EXPECT_TRUE(near("finals", at(c14b, d, DT35).v[k], at(fin, d, DT35).v[k], tol[k])) << d;
    }
}

// At the 2016-12-31 leap second UT1 - UTC jumps by 1 s where TAI - UTC does, so UT1 stays
// continuous (1e-3 s/day: below 1e-5 s a step); then the file's 0.5912977 s, to 1e-4 s.
TEST(EopInterpolate, Ut1ContinuousAcrossLeapSecond) {
    const EopTable t = read("eopc04_14_2016-12.txt");
    for (int k = 1; k < 9; ++k) {  // steps ending TAI -1.75 s .. 1.75 s from 2017-01-01 0h UTC
        const double s = 37 + 32.184 - 2.25 + 0.5 * k;
        const double step = at(t, 57754, s).v[4] - at(t, 57754, s - 0.5).v[4];
        EXPECT_TRUE(near("UT1-UTC step", k == 5, step, 1e-5)) << k;
    }
    EXPECT_TRUE(near("UT1-UTC", 0.5912977, at(t, 57754, 37 + 32.184 + 1.75).v[4], 1e-4));
}

// Ten 20 C04 rows 12 h apart (CRLF), zero but a 1" spike in x at one row: halfway through an
// interval the stencil weights are -1, 9, 9, -1 (/16), in the first interval 5, 15, -5, 1
// (/16) and in the last its mirror. Exact in binary: tolerance 1e-12.
TEST(EopInterpolate, StencilAtTheEnds) {
    const int rows = 10;
    const double mid[4] = {-1, 9, 9, -1}, end[4] = {5, 15, -5, 1};
    for (int spike = 0; spike < rows; ++spike) {
        std::string text = "# FORMAT(4(I4),F10.2,...)\r\n# YR MM DD HH MJD x y UT1-UTC dX dY\r\n";
        for (int r = 0; r < rows; ++r)
            text += "2000 1 " + std::to_string(1 + r / 2) + (r % 2 ? " 12 " : " 0 ") +
                    std::to_string(51544 + 0.5 * r) + (r == spike ? " 1.0" : " 0.0") +
                    " 0.1 -0.2 0 0\r\n";
        EopTable t;
        read_eop_text(text.data(), text.size(), t);
        for (int j = 0; j < rows - 1; ++j) {
            const int k = spike - std::min(std::max(j - 1, 0), rows - 4);  // place in stencil
            double w = 0;
            if (k >= 0 && k < 4) w = (j == 0 ? end[k] : j == rows - 2 ? end[3 - k] : mid[k]) / 16;
            const Eop e = at(t, 51544, tt_s(32, 12 * j + 6));
            EXPECT_TRUE(near("x", w, e.v[0], 1e-12) &&
                        near("UT1-UTC", -0.2, e.v[4], 1e-12)) << spike << " " << j;
        }
    }
}

// finals2000A: no dX, dY from MJD 57588 on (NaN for those alone), a prediction in any stencil
// row marks the epoch, a row without pole or UT1 ends the table, epochs outside or NaN are NaN.
TEST(EopInterpolate, MissingPredictedAndOutside) {
    std::string text = slurp("finals2000A_2016-07.txt") + "16 730 57599.00\n";
    EopTable t;
    ASSERT_EQ(read_eop_text(text.data(), text.size(), t).error, EopError::None);
    const double T = tt_s(36, 0), tt[12] = {57585.5, 57586.5, 57597.99, 57577.9, 57598.1, NAN,
                                           T, T, T, T, T, 0};
    double xp[6], yp[6], dX[6], dY[6], DUT[6];
    bool p[6];
    EXPECT_EQ(eop_interpolate(t, 6, tt, xp, yp, dX, dY, DUT, p), 2);
    EXPECT_TRUE(std::isfinite(dX[0]) && std::isnan(dX[1]) && std::isnan(dY[1]) && p[0] && p[2]);
    EXPECT_TRUE(std::isfinite(xp[1] + DUT[1] + xp[2]) && !p[3] && !p[4] && !p[5]);
    for (int i = 3; i < 6; ++i) EXPECT_TRUE(std::isnan(xp[i]) && std::isnan(DUT[i])) << i;
    EXPECT_EQ(eop_interpolate(EopTable{}, 1, tt, xp, yp, dX, dY, DUT, nullptr), 1);
    text = slurp("finals2000A_2015-01.txt");
    text.replace(text.find("57048.00 I"), 10, "57048.00 P");  // first row of a stencil
    read_eop_text(text.data(), text.size(), t);
    EXPECT_TRUE(at(t, 57048.5, tt_s(35, 0)).predicted && !at(t, 57050.5, tt_s(35, 0)).predicted);
}

// The table's columns are the file's (finals2000A_2015-01.txt: rows 1-33 all final, 34-53 with
// predicted nutation, 54-60 all predicted; LOD blank from row 53). An epoch whose stencil holds a
// predicted nutation row is flagged though its pole and UT1 are final; LOD is NaN only where the
// stencil reaches a blank. A 20 C04 row cut before its LOD column has none (blank lines between
// rows are skipped); a table without the column still interpolates the rest.
TEST(EopRead, TableColumnsAndLod) {
    EopTable t = read("finals2000A_2015-01.txt");
    EXPECT_TRUE(t.mjd[0] == 57048 && t.dut[0] == -0.4867876 && t.dut[59] == -0.5660324);
    EXPECT_TRUE(near("LOD row 1", 1.2748e-3, t.lod[0], 1e-18) &&
                near("LOD row 52", 1.8477e-3, t.lod[51], 1e-18) && std::isnan(t.lod[52]));
    const std::vector<unsigned char>* flags[] = {&t.pred_pole, &t.pred_ut1, &t.pred_nut,
                                                 &t.predicted};
    const std::size_t first_p[] = {53, 53, 33, 33};
    for (int f = 0; f < 4; ++f) {
        for (std::size_t i = 0; i < 60; ++i)
            EXPECT_EQ((*flags[f])[i], i >= first_p[f]) << "flag " << f << " row " << i + 1;
    }
    const Eop e = at(t, 57079.5, tt_s(35, 0)), end = at(t, 57098.5, tt_s(35, 0));
    EXPECT_TRUE(e.predicted && std::isfinite(e.v[5]) && std::isnan(end.v[5]) &&
                std::isfinite(end.v[4]) && std::isfinite(at(t, 57097.5, tt_s(35, 0)).v[5]));
    t.lod.clear();
    EXPECT_TRUE(std::isnan(at(t, 57050, 0).v[5]) && std::isfinite(at(t, 57050, 0).v[0]));

    std::string text = slurp("eopc20_layout_2016-12.txt"), cut;
    for (std::size_t i = 0, j; (j = text.find('\n', i)) != text.npos; i = j + 1)
        cut += text.substr(i, text[i] == '#' ? j - i : 86) + "\n \t\n";  // rows end after dY
    ASSERT_EQ(read_eop_text(cut.data(), cut.size(), t).error, EopError::None);
    EXPECT_TRUE(t.mjd.size() == 30 && std::isnan(t.lod[0]) && std::isnan(t.lod[29]) &&
                t.dY[29] == -0.000003);
}

// Every reader error with its line and field, each from one edit (of every occurrence of a
// text) of a real file; a failed read leaves the table empty, and no errno or leap-mismatch
// values where they do not apply.
TEST(EopRead, ErrorsNameLineAndField) {
    const EopError M = EopError::Malformed, F = EopError::Format;
    const char *c14 = "eopc04_14_2016-12.txt", *fin = "finals2000A_2016-07.txt", *d18 = "2016  12  18";
    const char *c20 = "eopc20_layout_2016-12.txt", *f15 = "finals2000A_2015-01.txt";
    struct Case { const char *file, *from, *to; EopError error; int line; const char* field; };
    const Case cases[] = {
        {c14, d18, "2016  13  18", M, 16, "month"}, {c14, d18, "2016  12  32", M, 16, "day"},
        {c14, d18, "2016  12  17", M, 16, "date"}, {c14, d18, "   0  12  18", M, 16, "year"},
        {c14, "57740", "5774x", M, 16, "MJD"}, {c14, "0.109722", "-.", M, 16, "x"},
        {c14, "0.266098", "0.00000000000000000000001", M, 16, "y"}, {c14, "dX", "dPsi", F, 0, ""},
        {c14, "-0.3940176", "+0.394", M, 16, "UT1-UTC"}, {c14, "-0.000087", "-0.0.", M, 16, "dX"},
        {c14, "-0.000229", "9007199254740993", M, 16, "dY"},  // 2^53 + 1: not exact {c14, "0.0012716", "0.00127.6", M, 16, "LOD"},
        {c20, "0.0012716", "-", M, 7, "LOD"}, {f15, "1.1461", "1.1 61", M, 2, "LOD"},
        {c20, "  18   0  57740.00", "  18  12  57740.5055", M, 7, "hour"},  // 0.0055 day off
        {f15, "57050.00", "57050.01", EopError::Spacing, 3, "MJD"},
        {c14, "2016  12  18  57740", "2016  12  17  57739", EopError::Order, 16, "MJD"},
        {c14, "2016  12  19  57741", "2016  12  19  57741.0000015", EopError::Spacing, 17, "MJD"},
        {fin, "57586.00 P", "57586.00 X", M, 9, "pole flag"},
        {fin, "0.194056", "0.19405x", M, 9, "x"}, {fin, "P-0.21468", "X-0.21468", M, 9, "UT1 flag"},
        {fin, "P     0.004", "X     0.004", M, 9, "nutation flag"},
        {fin, "0.004    0.239", "0.0x4    0.239", M, 9, "dX"}, {fin, "0.170", "0.1x0", M, 9, "dY"},
        {fin, "16 711 57580.00", "16 711 57580.00\n", EopError::TooFew, 0, ""},
        {fin, "16 7 9 57578.00 P", "16 7 9 57578.00  ", F, 0, ""},
        {fin, "P-0.2096451", "P\n", EopError::TooFew, 0, ""},  // a first row ending at byte 58
    };
    for (const Case& c : cases) {
        std::string text = slurp(c.file);
        for (std::size_t i = 0; (i = text.find(c.from, i)) != text.npos; i += std::strlen(c.to))
            text.replace(i, std::strlen(c.from), c.to);
        EopTable t;
        const EopStatus s = read_eop_text(text.data(), text.size(), t);
        EXPECT_TRUE(s.error == c.error && s.line == c.line && std::string(s.field) == c.field &&
                    t.mjd.empty() && t.xp.empty() && s.mjd_before == 0 && s.mjd_after == 0 &&
                    s.dut_step_s == 0 && s.tai_utc_before_s == 0 && s.tai_utc_after_s == 0 &&
                    s.sys_errno == 0)
            << c.to << ": error " << int(s.error) << " line " << s.line << " field " << s.field;
    }
    EopTable t;
    EXPECT_EQ(read_eop(DATA + "none.txt", t).sys_errno, ENOENT);
    // A folder opens on POSIX but cannot be read; Windows refuses to open it.
#ifdef _WIN32
    EXPECT_TRUE(read_eop(DATA, t).sys_errno == EACCES && t.mjd.empty());
#else
    EXPECT_TRUE(read_eop(DATA, t).sys_errno == EISDIR && t.mjd.empty());
#endif
}

}  // namespace
