// The rules a row must keep to join an EOP table: MJDs strictly increasing
// and equally spaced, and UT1 - UTC stepping by a second only where the
// leap-second table's TAI - UTC does. And the text that reports a leap
// second the file and the table disagree about.
#include <cmath>
#include <string>

#include "common/text_lines.hpp"
#include "eop/eop_detail.hpp"
#include "time/time_scales.hpp"

namespace varn {
namespace eop_detail {
namespace {

// Largest difference of a step from the table's first step, days.
constexpr double SPACING_TOL_DAY = 1e-6;
// Largest change of UT1 - TAI from one row to the next, seconds. UT1 - TAI
// drifts by a few milliseconds a day; a change of a second means that the
// file's UT1 - UTC steps where the leap-second table has no step, or the
// reverse.
constexpr double LEAP_MISMATCH_S = 0.5;

}  // namespace

EopStatus fail(EopTable& table, EopError error, std::int64_t line, const char* field,
               int sys_errno) {
    table = EopTable{};
    EopStatus s;
    s.error = error;
    s.line = line;
    s.field = field;
    s.sys_errno = sys_errno;
    return s;
}

EopStatus append_row(EopTable& table, const Row& r, std::int64_t line) {
    const std::size_t k = table.mjd.size();
    if (k >= 1 && !(r.mjd > table.mjd[k - 1])) return fail(table, EopError::Order, line, "MJD");
    if (k >= 2 && !(std::fabs((r.mjd - table.mjd[k - 1]) - (table.mjd[1] - table.mjd[0])) <=
                    SPACING_TOL_DAY))
        return fail(table, EopError::Spacing, line, "MJD");

    // UT1 - TAI: UT1 - UTC less TAI - UTC at 0h UTC of the row's date.
    double tai_minus_utc_s;
    dat(*table.leap, r.year, r.month, r.day, 0.0, tai_minus_utc_s);
    const double ut1_tai = r.dut - tai_minus_utc_s;
    if (k >= 1 && !(std::fabs(ut1_tai - table.ut1_tai[k - 1]) < LEAP_MISMATCH_S)) {
        const double mjd_before = table.mjd[k - 1], dut_before = table.dut[k - 1];
        const double ut1_tai_before = table.ut1_tai[k - 1];
        EopStatus status = fail(table, EopError::LeapMismatch, line, "UT1-UTC");
        status.mjd_before = mjd_before;
        status.mjd_after = r.mjd;
        status.dut_step_s = r.dut - dut_before;
        status.tai_utc_before_s = dut_before - ut1_tai_before;
        status.tai_utc_after_s = tai_minus_utc_s;
        return status;
    }
    table.mjd.push_back(r.mjd);
    table.xp.push_back(r.xp);
    table.yp.push_back(r.yp);
    table.dut.push_back(r.dut);
    table.ut1_tai.push_back(ut1_tai);
    table.dX.push_back(r.dX);
    table.dY.push_back(r.dY);
    table.lod.push_back(r.lod);
    table.predicted.push_back(r.pred_pole || r.pred_ut1 || r.pred_nut ? 1 : 0);
    table.pred_pole.push_back(r.pred_pole ? 1 : 0);
    table.pred_ut1.push_back(r.pred_ut1 ? 1 : 0);
    table.pred_nut.push_back(r.pred_nut ? 1 : 0);
    return EopStatus{};
}

}  // namespace eop_detail

std::string leap_mismatch_message(const std::string& name, const EopStatus& s,
                                  const LeapTable& leap) {
    return detail::formatted(
        "EOP file '%s', line %lld: UT1 - UTC steps by %+.7f s from %s (MJD %.2f) to %s (MJD %.2f), "
        "while TAI - UTC is %.7f s and %.7f s in the leap-second table (%s): the file and the table "
        "disagree about a leap second. Name a leap-second file that holds it in the environment "
        "variable VARN_LEAP_SECONDS, or use an EOP file that agrees with the table.",
        name.c_str(), static_cast<long long>(s.line), s.dut_step_s, iso_date(s.mjd_before).c_str(),
        s.mjd_before, iso_date(s.mjd_after).c_str(), s.mjd_after, s.tai_utc_before_s,
        s.tai_utc_after_s, leap.source().c_str());
}

}  // namespace varn
