// The data folder of every platform from its environment, and the fetch time of a record.
#include "common/data_folder.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

using varn_host::Platform;

// VARN_DATA_DIR first everywhere; then the platform's user cache folder.
TEST(DataFolder, RuleOfEachPlatform) {
    struct Case {
        Platform platform;
        const char *data_dir, *xdg, *local, *home, *want;
    };
    const Case cases[] = {
        {Platform::Unix, "/d", "/x", "C:\\L", "/h", "/d"},
        {Platform::Windows, "D:\\v", nullptr, "C:\\L", "C:\\U", "D:\\v"},
        {Platform::Unix, "", "/x", nullptr, "/h", "/x/varn"},
        {Platform::Unix, nullptr, "rel", nullptr, "/h", "/h/.cache/varn"},  // relative: ignored
        {Platform::Unix, nullptr, nullptr, nullptr, "/h", "/h/.cache/varn"},
        {Platform::MacOS, nullptr, "/x", nullptr, "/h", "/h/Library/Caches/varn"},
        {Platform::Windows, nullptr, "/x", "C:\\L", "C:\\U", "C:\\L\\varn"},
        {Platform::Windows, nullptr, nullptr, "", "C:\\U", "C:\\U\\AppData\\Local\\varn"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(varn_host::data_folder({c.data_dir, c.xdg, c.local, c.home}, c.platform), c.want);
}

// "fetched_unix" in whole seconds, a fraction dropped; any other record is no time (-1).
TEST(DataFolder, FetchTimeOfARecord) {
    const std::string file = testing::TempDir() + "varn_data_folder_test";
    const std::pair<const char*, long long> cases[] = {
        {"{\"url\": \"x\", \"fetched_unix\" :\n 1796601234.5}", 1796601234},
        {"{\"fetched_unix\": 0}", 0},          {"{\"fetched_unix\": -5}", -1},
        {"{\"fetched_unix\": \"9\"}", -1},     {"{\"fetched_unix\" 9}", -1},
        {"{\"url\": 9}", -1},                   {"{\"fetched_unix\":", -1}};
    for (const auto& [text, want] : cases) {
        std::FILE* f = std::fopen((file + ".json").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(text, f);
        std::fclose(f);
        EXPECT_EQ(varn_host::fetched_unix_time(file), want) << text;
    }
    std::remove((file + ".json").c_str());
    EXPECT_EQ(varn_host::fetched_unix_time(file), -1);  // no record
}
