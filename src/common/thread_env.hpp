// The thread counts a user sets for a host entry (the MEX plug-ins, the
// Python module): a count given as a number, and VARN_NUM_THREADS. Free of
// any host's API, so that every entry reads the setting the same way.
#pragma once

#include <climits>

namespace varn_host {

// A count given by the host or the user: a whole number from 1 to INT_MAX,
// else 0 (NaN included).
inline int thread_count(double value) {
    if (!(value >= 1.0 && value <= INT_MAX)) return 0;
    const int count = static_cast<int>(value);
    return count == value ? count : 0;
}

// VARN_NUM_THREADS as a count: decimal digits only, else 0 (null, empty,
// signs, spaces, exponents, any other character, zero, above INT_MAX).
inline int parse_thread_count(const char* text) {
    if (text == nullptr) return 0;
    double value = 0.0;  // exact up to 2^53, then too large anyway
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return 0;
        value = value * 10.0 + (*c - '0');
    }
    return thread_count(value);
}

}  // namespace varn_host
