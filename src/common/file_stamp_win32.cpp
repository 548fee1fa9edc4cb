// File identity and state, file opening and full names on Windows, through
// the wide-character API: its narrow calls take the ANSI code page, not
// UTF-8. POSIX systems have their own (file_stamp.cpp).
#ifdef _WIN32

#include "common/file_stamp.hpp"

#include <windows.h>

#include <cerrno>
#include <new>

namespace varn::detail {

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

}  // namespace varn::detail

#endif
