// The leap-second table of a plug-in call (varn, varn_fast, varn_eop,
// varn_time): the one the environment variable VARN_LEAP_SECONDS names, read
// on every call (a stat while the file is unchanged), and the texts of its
// error and of the expiry warning. Inline, at file scope: each gateway is one
// translation unit.
#pragma once

#include "mex.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "pipeline/leap_table.hpp"

// Room for a message around a file name of up to PATH_MAX bytes.
constexpr std::size_t LEAP_MESSAGE_SIZE = PATH_MAX + 512;

// The table in force. For a faulty file returns null with the message (the
// file, the line, the reason) in message; the caller raises
// MATLAB:<function>:LeapSecondFile with it once it owns nothing.
inline std::shared_ptr<const varn::LeapTable> leap_table_or_message(char* message) {
    try {
        varn::LeapFileError e;
        std::shared_ptr<const varn::LeapTable> table = varn::leap_table_from_env(e);
        if (!table && e.line > 0)
            std::snprintf(message, LEAP_MESSAGE_SIZE,
                          "Leap-second file '%s' (VARN_LEAP_SECONDS), line %lld: %s.",
                          e.file.c_str(), static_cast<long long>(e.line), e.reason.c_str());
        else if (!table)
            std::snprintf(message, LEAP_MESSAGE_SIZE, "Leap-second file '%s' (VARN_LEAP_SECONDS): %s.",
                          e.file.c_str(), e.reason.c_str());
        return table;
    } catch (...) {
        std::snprintf(message, LEAP_MESSAGE_SIZE, "Out of memory reading the leap-second file.");
        return nullptr;
    }
}

// The expiry warning, MATLAB:<function>:leapSecondsExpired: the count, the
// expiry date, the table's source and how to load a newer table.
inline void expiry_message(const varn::LeapTable& table, std::int64_t expired, std::int64_t n,
                           char* message) {
    const varn::LeapStep& last = table.steps().back();
    std::snprintf(message, LEAP_MESSAGE_SIZE,
                  "%lld of %lld epochs lie after %s, the expiry date of the leap-second table "
                  "(%s): their UTC assumes no leap second after the last known one (TAI - UTC = "
                  "%g s from %s). Name a newer IERS Leap_Second.dat or leap-seconds.list in the "
                  "environment variable VARN_LEAP_SECONDS.",
                  static_cast<long long>(expired), static_cast<long long>(n),
                  varn::iso_date(table.expires_mjd()).c_str(), table.source().c_str(),
                  last.tai_minus_utc_s, varn::iso_date(last.mjd).c_str());
}
