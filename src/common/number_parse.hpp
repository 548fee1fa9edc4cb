// Internal to the library: the numbers of the data files (EOP series, leap-
// second tables), parsed without the C library.
//
// strtod and its kin follow the host's locale, and a MATLAB session may run
// with a decimal comma; the files hold plain decimals whatever the locale.
// A decimal whose digits, read as one integer, are at most 2^53 and which has
// at most 22 digits after the point is the ratio of two exactly representable
// doubles (the digit string and a power of ten), so one division gives the
// correctly rounded value: the same bits strtod gives in the "C" locale.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace varn::detail {

// Powers of ten are exact doubles up to 10^22.
constexpr int MAX_FRACTION_DIGITS = 22;
// The largest digit string that converts to a double exactly.
constexpr std::uint64_t MAX_EXACT_MANTISSA = std::uint64_t{1} << 53;

inline bool is_blank_char(char c) { return c == ' ' || c == '\t'; }

// The text from its first character that is not a blank. Fixed-column
// fields are right-justified (Fortran F and I formats), so only leading
// blanks need skipping.
inline std::string_view skip_blanks(std::string_view s) {
    const char* first = std::find_if_not(s.data(), s.data() + s.size(), is_blank_char);
    return s.substr(static_cast<std::size_t>(first - s.data()));
}

// A plain decimal: optional '-', digits, optionally '.' and digits; at least
// one digit, the digit string at most 2^53, at most 22 digits after the
// point. False, value untouched, for anything else (exponents, "nan", "inf",
// '+', blanks, a second point).
inline bool parse_decimal(std::string_view s, double& value) {
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) ++i;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction_digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return false;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        if (mantissa > MAX_EXACT_MANTISSA) return false;
        ++digits;
        if (point) ++fraction_digits;
    }
    if (digits == 0 || fraction_digits > MAX_FRACTION_DIGITS) return false;
    double scale = 1.0;  // 10^fraction_digits, exact
    for (int k = 0; k < fraction_digits; ++k) scale *= 10.0;
    const double v = static_cast<double>(mantissa) / scale;
    value = negative ? -v : v;
    return true;
}

// A whole number of one to max_digits decimal digits, nothing else (no sign,
// no blank); max_digits at most 18, so the value never overflows. False,
// value untouched, otherwise.
inline bool parse_digits(std::string_view s, int max_digits, std::int64_t& value) {
    if (s.empty() || s.size() > static_cast<std::size_t>(std::min(max_digits, 18))) return false;
    std::int64_t v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

}  // namespace varn::detail
