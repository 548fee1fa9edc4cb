// Leap-second table: the files of IERS Bulletin C 72 in both layouts (tests/data), a copy
// with a hypothetical step, every reason a file is refused, and VARN_LEAP_SECONDS.
#include "time/leap_table.hpp"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>
#include <string>

#include <erfa.h>

#include "time/time_scales.hpp"
#include "test_util.hpp"

using namespace varn_test;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), {});
}
void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
double mjd_of(int y, int m, int d) { double a, b; eraCal2jd(y, m, d, &a, &b); return b; }
const std::string IERS = DATA + "Leap_Second.dat", IANA = DATA + "leap-seconds.list",
                  HYPOTHETICAL = DATA + "Leap_Second_hypothetical_2027.dat";

}  // namespace

// Both files of Bulletin C 72 give the built-in table: every field of every step, the
// expiry day 2027-06-28, and their path as source. Published values, exact.
TEST(LeapTable, Bulletin72FilesEqualTheBuiltInTable) {
    const varn::LeapTable& b = varn::builtin_leap();
    EXPECT_TRUE(b.steps().size() == 42 && b.first_integral() == 14 && b.source() == "built-in" &&
                b.steps_source() == "built-in" && b.expiry_source() == "built-in" &&
                b.expires_mjd() == mjd_of(2027, 6, 28));
    for (const std::string& path : {IERS, IANA}) {
        varn::LeapFileError e;
        const auto t = varn::read_leap_file(path, e);
        ASSERT_TRUE(t) << e.line << " " << e.reason;
        EXPECT_TRUE(t->source() == path && t->steps_source() == path && t->expiry_source() == path &&
                    t->expires_mjd() == 61584.0 && t->first_integral() == 14);
        auto same = [](const varn::LeapStep& x, const varn::LeapStep& y) {
            return std::tie(x.year, x.month, x.tai_minus_utc_s, x.ref_mjd, x.rate_s_per_day, x.mjd) ==
                   std::tie(y.year, y.month, y.tai_minus_utc_s, y.ref_mjd, y.rate_s_per_day, y.mjd);
        };
        EXPECT_TRUE(std::equal(t->steps().begin(), t->steps().end(), b.steps().begin(), b.steps().end(), same));
    }
    EXPECT_TRUE(b.steps()[41].mjd == 57754.0 && b.step_on(57753.0) == 40 && b.step_on(57754.0) == 41 && b.step_on(36933.0) == -1 &&
                b.step_on(NaN) == -1);
}

// The copy with a step to 38 s on 2027-07-01, expiring 2027-12-28: dat takes the step and
// warns only after the new expiry day.
TEST(LeapTable, HypotheticalStepAndExpiry) {
    varn::LeapFileError e;
    const auto t = varn::read_leap_file(HYPOTHETICAL, e);
    ASSERT_TRUE(t) << e.reason;
    EXPECT_TRUE(t->steps().size() == 43 && t->expires_mjd() == mjd_of(2027, 12, 28));
    for (int day : {1, 31}) {  // an expiry on the first and the last day of a month, "Dec" as well
        std::string text = slurp(HYPOTHETICAL);
        text.replace(text.find("28 December"), 11, std::to_string(day) + (day == 1 ? " Dec" : " December"));
        const auto other = varn::parse_leap_text(text, "f", e);
        EXPECT_TRUE(other && other->expires_mjd() == mjd_of(2027, 12, day)) << day;
    }
    struct Case { int y, m, d; double builtin_s, file_s; int builtin_status, file_status; };
    for (const Case& c : {Case{2027, 6, 30, 37, 37, 1, 0}, Case{2027, 7, 1, 37, 38, 1, 0},
                          Case{2027, 12, 29, 37, 38, 1, 1}, Case{2027, 6, 28, 37, 37, 0, 0}}) {
        double b, f;
        EXPECT_TRUE(varn::dat(c.y, c.m, c.d, 0.5, b) == c.builtin_status && b == c.builtin_s &&
                    varn::dat(*t, c.y, c.m, c.d, 0.5, f) == c.file_status && f == c.file_s) << c.m << "-" << c.d;
    }
}

// Fixed faults: a file older than the built-in table (its steps, an expiry a year earlier, as
// tzdata's leap-seconds.list of 2026) keeps the built-in expiry and says so; a UTF-8 byte-order
// mark is no field of the first line.
TEST(LeapTable, OlderFileKeepsBuiltInExpiryAndByteOrderMarkIsSkipped) {
    varn::LeapFileError e;
    std::string iers = slurp(IERS), iana = slurp(IANA);
    const auto older = varn::parse_leap_text(iers.replace(iers.find("June 2027"), 9, "June 2026"), "old", e);
    iana.replace(iana.find("4023129600"), 10, "3991593600");  // 2026-06-28
    const auto older_iana = varn::parse_leap_text("\xEF\xBB\xBF" + iana, "old", e);
    for (const auto& t : {older, older_iana})
        EXPECT_TRUE(t && t->expires_mjd() == 61584.0 && t->expiry_source() == "built-in" &&
                    t->steps_source() == "old" && t->source() == "old" && t->steps().size() == 42) << e.reason;
    EXPECT_TRUE(varn::parse_leap_text("\xEF\xBB\xBF" + slurp(IERS), "bom", e)) << e.reason;
}

// Every reason a file is refused, by edits of the real files: the line (0: the whole file)
// and a phrase of the reason.
TEST(LeapTable, FaultyFilesAreRefusedWithLineAndReason) {
    const std::string iers = slurp(IERS), iana = slurp(IANA);
    const std::string last = "    57754.0    1  1 2017       37";
    struct Case { const std::string* text; std::string from, to; std::int64_t line; const char* reason; };
    const Case cases[] = {
        {&iers, "#  File expires on 28 June 2027", "#", 0, "no expiry date (\"File"},
        {&iers, "28 June 2027", "31 December 2016", 7, "expiry date 2016-12-31 is earlier than the last step 2017-01-01"},
        {&iers, "28 June 2027", "28 Juin 2027", 7, "expiry date is not understood"},
        {&iers, "#\n#  File expires", "#  File expires on 1 July 2027\n#  File expires", 7, "second expiry"},
        {&iers, last, "    57754.0    1  1 2017       38", 41, "contradicts the known step 2017-01-01 (37 s)"},
        {&iers, last, "", 0, "known step 2017-01-01 (37 s) is missing"},
        {&iers, last, last + "\n    61587.0    1  7 2027       39", 42, "is not 1 s from"},
        {&iers, last, last + "\n    61588.0    2  7 2027       38", 42, "first day of a month"},
        {&iers, last, last + "\n    61770.0   31 12 2027       38", 42, "first day of a month"},
        {&iers, last, last + "\n  2973119.0    1  1 9999       39", 42, "is not 1 s from"},
        {&iers, last, "    57754.0    1  1 4294969313       37", 41, "MJD is not that"},  // 2017 + 2^32
        {&iers, last, last + "\n    57754.0    1  1 2017       38", 42, "increasing order"},
        {&iers, "41317.0    1  1 1972", "41318.0    1  1 1972", 14, "MJD is not that of the date"},
        {&iers, "41317.0    1  1 1972       10", "41317.0    1  1 1972", 14, "five fields"},
        {&iers, "1 1972       10", "1 1972       10.5", 14, "not a whole number"},
        {&iana, "#@\t4023129600", "#", 0, "no expiry date (#@"},
        {&iana, "#@\t4023129600", "#@\t40231x", 9, "not understood"},
        {&iana, "2272060800      10", "2272060801      10", 15, "not 0h of a day"},
        {&iana, "2272060800      10      #", "2272060800      10      1 #", 15, "two fields"},
    };
    for (const Case& c : cases) {
        std::string text = *c.text;
        const std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        varn::LeapFileError e;
        EXPECT_FALSE(varn::parse_leap_text(text, "f.dat", e)) << c.reason;
        EXPECT_TRUE(e.file == "f.dat" && e.line == c.line && e.reason.find(c.reason) != std::string::npos)
            << c.reason << ": got line " << e.line << " '" << e.reason << "'";
    }
    const std::string big = ::testing::TempDir() + "varn_leap_big.dat";  // a valid file past 1 MiB
    write(big, iers + std::string(1 << 20, '#'));
    for (const std::string& path : {DATA + "absent.dat", DATA, big}) {
        varn::LeapFileError e;
        EXPECT_TRUE(!varn::read_leap_file(path, e) && e.file == path && e.line == 0 && !e.reason.empty());
    }
    std::remove(big.c_str());
}

// VARN_LEAP_SECONDS: unset is the built-in table; a file is kept (the same pointer) while
// unchanged, read again when it changes; a faulty one is refused and nothing of it kept.
TEST(LeapTable, EnvironmentVariableAndItsCache) {
    const std::string path = ::testing::TempDir() + "varn_leap_env.dat";
    const std::string text = slurp(HYPOTHETICAL);
    write(path, text);
    varn::LeapFileError e;
    set_env("VARN_LEAP_SECONDS", nullptr);
    EXPECT_TRUE(varn::leap_table_from_env(e) == varn::builtin_leap_table() &&
                varn::leap_table_for_path("", e) == varn::builtin_leap_table());
    set_env("VARN_LEAP_SECONDS", path.c_str());
    const auto first = varn::leap_table_from_env(e);
    ASSERT_TRUE(first && first->steps().size() == 43 && first->source() == path);
    EXPECT_TRUE(varn::leap_table_from_env(e) == first && varn::leap_table_for_path(path, e) == first);
    write(path, text + "# a comment changes the size\n");
    const auto second = varn::leap_table_from_env(e);
    EXPECT_TRUE(second && second != first && second->steps().size() == 43);
    // An edit of the same size with the modification time put back (cp -p, rsync -t) is seen
    // by the change time, after a pause longer than the file system's clock tick.
    const auto mtime = std::filesystem::last_write_time(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    write(path, text + "# a comment changes the SIZE\n");
    std::filesystem::last_write_time(path, mtime);
    const auto third = varn::leap_table_from_env(e);
    EXPECT_TRUE(third && third != second && third->steps().size() == 43);
    write(path, text.substr(0, text.find("    61587.0")) + "    61587.0    1  7 2027       39\n");
    EXPECT_TRUE(!varn::leap_table_from_env(e) && e.file == path && e.reason.find("not 1 s") != std::string::npos);
    EXPECT_FALSE(varn::leap_table_from_env(e));  // asked again: still refused, not kept
    set_env("VARN_LEAP_SECONDS", nullptr);
    std::remove(path.c_str());
}
