// Internal to the library: a text in memory walked line by line, as the
// readers of the EOP series and of the leap-second files take it.
#pragma once

#include <algorithm>
#include <cstdint>
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

}  // namespace varn::detail
