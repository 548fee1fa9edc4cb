// UTF-16 to UTF-8, as the plug-ins pass MATLAB's text to the library: each
// encoded length at its bounds, surrogate pairs, and what no file name holds.
#include "common/utf8.hpp"

#include <string>

#include <gtest/gtest.h>

TEST(Utf16ToUtf8, EncodesEveryLengthAndRefusesWhatNoNameHolds) {
    struct Case {
        std::u16string in;
        const char* want;  // null: refused
        std::size_t size;
    };
    const Case cases[] = {
        {u"a/b.txt", "a/b.txt", 64},
        {u"\u007f\u0080\u07ff", "\x7f\xc2\x80\xdf\xbf", 64},           // 1 and 2 bytes
        {u"\u0800\uffff", "\xe0\xa0\x80\xef\xbf\xbf", 64},            // 3 bytes
        {u"\U00010000\U0010FFFF", "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", 64},  // pairs: 4 bytes
        {u"x\u00e9", "x\xc3\xa9", 4}, {u"x\u00e9", nullptr, 3},        // the NUL just fits, or not
        {u"", "", 1}, {u"", nullptr, 0},
        {std::u16string(u"a\0b", 3), nullptr, 64},                    // a NUL inside
        {u"\xd800", nullptr, 64}, {u"\xdbff\ue000", nullptr, 64},      // unpaired surrogates
        {u"\xdc00\xd800", nullptr, 64}, {u"a\xdfff", nullptr, 64},
    };
    for (const Case& c : cases) {
        char out[64];
        const bool ok = varn::detail::utf16_to_utf8(c.in.data(), c.in.size(), out, c.size);
        EXPECT_EQ(ok, c.want != nullptr) << (c.want ? c.want : "refused") << ", " << c.size << " bytes";
        if (ok && c.want) {
            EXPECT_EQ(std::string(out), c.want);
        }
    }
}
