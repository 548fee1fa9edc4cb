// File identity and state, file opening and full names: the POSIX calls on
// Linux and macOS, the wide-character API on Windows (whose narrow calls
// take the ANSI code page, not UTF-8).
#include "common/file_stamp.hpp"

#include <cerrno>
#include <cstdlib>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace varn::detail {

#ifdef _WIN32

namespace {

// UTF-8 to UTF-16; false for a name that is not valid UTF-8.
bool widen(const char* utf8, std::wstring& wide) {
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (n <= 0) return false;
    wide.assign(static_cast<std::size_t>(n), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, &wide[0], n) != n) return false;
    wide.pop_back();  // the terminating NUL the call wrote
    return true;
}

// The errno value closest to a Windows error code.
int errno_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME: case ERROR_INVALID_DRIVE: case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION:
            return EACCES;
        case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EIO;
    }
}

// A Windows time (100 ns ticks since 1601-01-01) as seconds and nanoseconds.
void split_ticks(LONGLONG ticks, std::int64_t& s, std::int64_t& ns) {
    s = ticks / 10000000;
    ns = ticks % 10000000 * 100;
}

}  // namespace

int file_stamp(const char* path, FileStamp& stamp) {
    std::wstring wide;
    try {
        if (!widen(path, wide)) return ENOENT;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    // Attributes only, shared with every other opener; a folder opens too
    // (its stamp is taken, reading it fails later as on POSIX).
    const HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return errno_of(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    const bool ok = GetFileInformationByHandle(h, &info) &&
                    GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic);
    const DWORD error = GetLastError();
    CloseHandle(h);
    if (!ok) return errno_of(error);
    FileStamp s;
    s.device = info.dwVolumeSerialNumber;
    s.file_number = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                       info.nFileSizeLow);
    split_ticks(basic.LastWriteTime.QuadPart, s.mtime_s, s.mtime_ns);
    split_ticks(basic.ChangeTime.QuadPart, s.ctime_s, s.ctime_ns);
    stamp = s;
    return 0;
}

std::FILE* open_file(const char* path, const char* mode) {
    std::wstring wide_path, wide_mode;
    try {
        if (!widen(path, wide_path) || !widen(mode, wide_mode)) {
            errno = ENOENT;
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return nullptr;
    }
    return _wfopen(wide_path.c_str(), wide_mode.c_str());
}

int canonical_path(const char* path, std::string& out) {
    std::wstring wide;
    if (!widen(path, wide)) return ENOENT;
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return errno_of(GetLastError());
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), n, &full[0], nullptr);
    if (got == 0 || got >= n) return errno_of(GetLastError());
    full.resize(got);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, full.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return ENOENT;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, full.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    utf8.pop_back();
    out.swap(utf8);
    return 0;
}

#else  // POSIX: Linux, macOS, the BSDs

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

#endif

}  // namespace varn::detail
