// The data folder: where the updaters (varn_update in MATLAB and Octave,
// varn.update_data in Python) keep current IERS files, and where the hosts
// read them when the user names none. Free of any host's API, so that every
// entry finds the same folder and reads the same records.
//
// The folder holds finals2000A.all and a leap-second file (Leap_Second.dat
// or leap-seconds.list), each with its record <file>.json written by the
// updater after the file: among other facts "fetched_unix", the whole
// seconds since 1970-01-01 UTC at which the file was fetched.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace varn_host {

constexpr const char* FINALS_FILE = "finals2000A.all";
constexpr const char* LEAP_FILES[2] = {"Leap_Second.dat", "leap-seconds.list"};
// Age after which reading a file of the folder warns, days.
constexpr double STALE_AFTER_DAYS = 30.0;
constexpr double SECONDS_PER_DAY = 86400.0;

#ifdef _WIN32
constexpr char PATH_SEPARATOR = '\\';
#else
constexpr char PATH_SEPARATOR = '/';
#endif

// The values of the environment variables the rule reads; null or empty
// for a variable that is unset.
struct DataFolderEnv {
    const char* varn_data_dir;   // VARN_DATA_DIR
    const char* xdg_cache_home;  // XDG_CACHE_HOME (Linux and other Unix systems)
    const char* local_app_data;  // LOCALAPPDATA (Windows)
    const char* home;            // HOME, or USERPROFILE on Windows
};

inline bool given(const char* value) { return value != nullptr && value[0] != '\0'; }

enum class Platform { Unix, MacOS, Windows };
#if defined(_WIN32)
constexpr Platform THIS_PLATFORM = Platform::Windows;
#elif defined(__APPLE__)
constexpr Platform THIS_PLATFORM = Platform::MacOS;
#else
constexpr Platform THIS_PLATFORM = Platform::Unix;
#endif

// The folder (it need not exist): VARN_DATA_DIR as given, else
// $XDG_CACHE_HOME/varn or ~/.cache/varn (a relative XDG_CACHE_HOME is invalid
// and ignored, as the XDG rule says), ~/Library/Caches/varn on macOS,
// %LOCALAPPDATA%\varn on Windows. The platform is a parameter so that every
// rule can be tested on any system.
inline std::string data_folder(const DataFolderEnv& env, Platform platform = THIS_PLATFORM) {
    if (given(env.varn_data_dir)) return env.varn_data_dir;
    const std::string home = given(env.home) ? env.home : "";
    switch (platform) {
        case Platform::Windows:
            return (given(env.local_app_data) ? std::string(env.local_app_data)
                                              : home + "\\AppData\\Local") + "\\varn";
        case Platform::MacOS:
            return home + "/Library/Caches/varn";
        case Platform::Unix:
            break;
    }
    const bool xdg = given(env.xdg_cache_home) && env.xdg_cache_home[0] == '/';
    return (xdg ? std::string(env.xdg_cache_home) : home + "/.cache") + "/varn";
}

// The environment as a MEX host reads it. getenv is not safe against a
// concurrent setenv; MATLAB and Octave call plug-ins from one thread.
inline DataFolderEnv data_folder_env() {
#ifdef _WIN32
    const char* home = std::getenv("USERPROFILE");
#else
    const char* home = std::getenv("HOME");
#endif
    return {std::getenv("VARN_DATA_DIR"), std::getenv("XDG_CACHE_HOME"),
            std::getenv("LOCALAPPDATA"), home};
}

inline std::string in_folder(const std::string& folder, const char* name) {
    return folder + PATH_SEPARATOR + name;
}

inline bool is_file(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == S_IFREG;
}

// When a data file was fetched, seconds since 1970-01-01 UTC, from the
// "fetched_unix" member of its record; -1 when the record is missing or
// holds no such member with a whole, non-negative number (a fraction after
// the digits is dropped). Reads at most the record's first 64 KiB.
inline std::int64_t fetched_unix_time(const std::string& data_file) {
    std::FILE* f = std::fopen((data_file + ".json").c_str(), "rb");
    if (!f) return -1;
    std::string record(65536, '\0');
    record.resize(std::fread(&record[0], 1, record.size() - 1, f));
    std::fclose(f);
    const char* key = "\"fetched_unix\"";
    std::size_t at = record.find(key);
    if (at == std::string::npos) return -1;
    at = record.find_first_not_of(" \t\r\n", at + std::strlen(key));
    if (at == std::string::npos || record[at] != ':') return -1;
    at = record.find_first_not_of(" \t\r\n", at + 1);
    // Digits only: strtol alone would take a sign or leading blanks.
    if (at == std::string::npos || record[at] < '0' || record[at] > '9') return -1;
    return std::strtoll(record.c_str() + at, nullptr, 10);
}

// The folder's leap-second file: of the two names, the one fetched last
// (a file without a record counts as fetched at an unknown, early time);
// empty when there is none.
inline std::string leap_file_in_folder(const std::string& folder) {
    std::string best;
    std::int64_t best_time = -2;
    for (const char* name : LEAP_FILES) {
        const std::string path = in_folder(folder, name);
        if (!is_file(path)) continue;
        const std::int64_t t = fetched_unix_time(path);
        if (t > best_time) {
            best = path;
            best_time = t;
        }
    }
    return best;
}

}  // namespace varn_host
