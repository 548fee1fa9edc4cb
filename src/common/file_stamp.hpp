// What identifies a file and its state for the caches of parsed files (the
// leap-second table of VARN_LEAP_SECONDS, the plug-in's EOP table), and the
// opening of a file by a UTF-8 name on every platform.
//
// A cache that keys on name, size and modification time alone misses an
// edit of the same size whose modification time was put back (cp -p,
// rsync -t, a restore from an archive), and a file replaced under the same
// name by one of equal size and time. The change time cannot be set by a
// user, and the device and file number tell one file from another, so all
// five together change with every edit or replacement.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace varn::detail {

// A file's identity and state: device and file number (POSIX st_dev and
// st_ino; on Windows the volume serial number and the file index), size in
// bytes, and the times of the last change of content (mtime) and of the
// last change of content or metadata (ctime), each in whole seconds and
// nanoseconds since the platform's epoch. Two stamps are equal when every
// field is.
struct FileStamp {
    std::uint64_t device{}, file_number{};
    std::int64_t size{};
    std::int64_t mtime_s{}, mtime_ns{};
    std::int64_t ctime_s{}, ctime_ns{};
    bool operator==(const FileStamp& o) const {
        return device == o.device && file_number == o.file_number && size == o.size &&
               mtime_s == o.mtime_s && mtime_ns == o.mtime_ns && ctime_s == o.ctime_s &&
               ctime_ns == o.ctime_ns;
    }
};

// The stamp of the file named by path (UTF-8). Returns 0 and fills stamp, or
// returns an errno value (ENOENT, EACCES, ...) and leaves stamp unchanged.
int file_stamp(const char* path, FileStamp& stamp);

// std::fopen for a UTF-8 name: on Windows through the wide API, so that
// names outside the ANSI code page open. Null with errno set on failure.
std::FILE* open_file(const char* path, const char* mode);

// The absolute name of an existing file with every symbolic link and . or
// .. resolved (POSIX realpath; on Windows the full path name), in UTF-8.
// Returns 0, or an errno value and leaves out unchanged. Throws
// std::bad_alloc like any string.
int canonical_path(const char* path, std::string& out);

}  // namespace varn::detail
