// Internal to the library: a text in memory walked line by line, as the
// readers of the EOP series and of the leap-second files take it, and the
// printf-style formatting of the texts they report.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace varn::detail {

// Lines of a text, each without its end of line (LF or CRLF); number counts
// them from 1. Nothing reads past the end of the text.
struct Lines {
    std::string_view text;
    std::size_t pos = 0;
    std::int64_t number = 0;
    bool next(std::string_view& line) {
        if (pos >= text.size()) return false;
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        ++number;
        return true;
    }
};

// GCC and clang check the arguments of a printf-like function against its
// format; other compilers (MSVC) have no such attribute.
#if defined(__GNUC__) || defined(__clang__)
#define VARN_PRINTF_FORMAT(format_arg, first_arg) __attribute__((format(printf, format_arg, first_arg)))
#else
#define VARN_PRINTF_FORMAT(format_arg, first_arg)
#endif

// printf into a string of whatever length the text takes (file names have
// no fixed bound). Throws std::bad_alloc like any string.
VARN_PRINTF_FORMAT(1, 2) inline std::string formatted(const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

}  // namespace varn::detail
