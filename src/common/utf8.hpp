// UTF-16 text (MATLAB's characters, Windows' wide names) to UTF-8 (the
// library's file names), without the platform's locale.
#pragma once

#include <cstddef>

namespace varn::detail {

// Encodes the n UTF-16 units of text as UTF-8 into out (size bytes) with a
// terminating NUL. False, with out unspecified, when the text holds a NUL
// (it would end a file name early), an unpaired surrogate, or does not fit.
inline bool utf16_to_utf8(const char16_t* text, std::size_t n, char* out, std::size_t size) {
    std::size_t k = 0;
    auto put = [&](unsigned long byte) {
        if (k + 1 >= size) return false;
        out[k++] = static_cast<char>(byte);
        return true;
    };
    for (std::size_t i = 0; i < n; ++i) {
        unsigned long u = text[i];
        const unsigned long next = i + 1 < n ? text[i + 1] : 0;
        if (u >= 0xD800 && u < 0xDC00 && next >= 0xDC00 && next < 0xE000)
            u = 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00), ++i;
        else if (u == 0 || (u >= 0xD800 && u < 0xE000))
            return false;
        const bool ok = u < 0x80      ? put(u)
                        : u < 0x800   ? put(0xC0 | u >> 6) && put(0x80 | (u & 0x3F))
                        : u < 0x10000 ? put(0xE0 | u >> 12) && put(0x80 | (u >> 6 & 0x3F)) &&
                                            put(0x80 | (u & 0x3F))
                                      : put(0xF0 | u >> 18) && put(0x80 | (u >> 12 & 0x3F)) &&
                                            put(0x80 | (u >> 6 & 0x3F)) && put(0x80 | (u & 0x3F));
        if (!ok) return false;
    }
    if (size == 0) return false;
    out[k] = '\0';
    return true;
}

}  // namespace varn::detail
