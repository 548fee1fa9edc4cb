// Which leap-second table a host uses: the file the user names, else the
// data folder's file when it knows more than the table built in, else the
// built-in table. The hosts read the environment themselves (the MEX
// plug-ins with getenv, Python with the GIL held) and pass what they read.
#pragma once

#include <memory>
#include <string>

#include "common/data_folder.hpp"
#include "time/leap_table.hpp"

namespace varn {

// Whether a table knows more than another: a later expiry date or a step
// the other lacks (a valid file holds every built-in step, so more steps
// means a new one).
inline bool knows_more(const LeapTable& table, const LeapTable& other) {
    return table.expires_mjd() > other.expires_mjd() || table.steps().size() > other.steps().size();
}

// named: the value of VARN_LEAP_SECONDS (empty when unset): that file, or
// null with error filled when it is refused. Otherwise folder: the data
// folder, whose leap-second file (see varn_host::leap_file_in_folder) is
// used when it is valid and knows more than the built-in table; a faulty
// one there is passed over, as if absent. Files are read through
// leap_table_for_path, once while they stay the same. Never null but for
// a refused named file.
inline std::shared_ptr<const LeapTable> leap_table_in_force(const std::string& named,
                                                            const std::string& folder,
                                                            LeapFileError& error) {
    if (!named.empty()) return leap_table_for_path(named, error);
    const std::string path =
        folder.empty() ? std::string() : varn_host::leap_file_in_folder(folder);
    if (!path.empty()) {
        LeapFileError ignored;
        std::shared_ptr<const LeapTable> table = leap_table_for_path(path, ignored);
        if (table && knows_more(*table, builtin_leap())) return table;
    }
    return builtin_leap_table();
}

}  // namespace varn
