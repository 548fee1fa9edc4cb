// File identity and state, file opening and full names on POSIX systems
// (Linux, macOS, the BSDs); Windows has its own (file_stamp_win32.cpp).
#ifndef _WIN32

#include "common/file_stamp.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace varn::detail {

int file_stamp(const char* path, FileStamp& stamp) {
    struct stat st;
    if (stat(path, &st) != 0) return errno;
    FileStamp s;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.file_number = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::int64_t>(st.st_size);
    // The nanosecond times: st_mtim and st_ctim in POSIX.1-2008, named
    // st_mtimespec and st_ctimespec on macOS.
#if defined(__APPLE__)
    const struct timespec& m = st.st_mtimespec;
    const struct timespec& c = st.st_ctimespec;
#else
    const struct timespec& m = st.st_mtim;
    const struct timespec& c = st.st_ctim;
#endif
    s.mtime_s = m.tv_sec, s.mtime_ns = m.tv_nsec;
    s.ctime_s = c.tv_sec, s.ctime_ns = c.tv_nsec;
    stamp = s;
    return 0;
}

std::FILE* open_file(const char* path, const char* mode) { return std::fopen(path, mode); }

int canonical_path(const char* path, std::string& out) {
    // realpath with a null buffer allocates one of the length the name needs.
    char* full = realpath(path, nullptr);
    if (!full) return errno;
    try {
        out = full;
    } catch (...) {
        std::free(full);
        throw;
    }
    std::free(full);
    return 0;
}

}  // namespace varn::detail

#endif
