// Shared helpers of the unit tests: comparisons that print want, got,
// difference and tolerance to 17 significant digits, and a generator.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace varn_test {

// The test data folder, tests/data.
inline const std::string DATA = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/data/";
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

inline ::testing::AssertionResult near(const char* what, double want, double got, double tol) {
    if (std::fabs(got - want) <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(17) << what << ": want " << want
           << " got " << got << " diff " << got - want << " tol " << tol;
}

// Sets an environment variable, or removes it when value is null.
inline void set_env(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");  // an empty value removes it
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

// Bitwise equality that treats two NaNs as equal.
inline bool same_bits(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

// Uniform in [0, 1): the top 53 bits of a 64-bit linear congruential generator.
struct Rng {
    std::uint64_t state = 1;
    double operator()() {
        return ((state = state * 6364136223846793005ull + 1442695040888963407ull) >> 11) * 0x1p-53;
    }
};

}  // namespace varn_test
