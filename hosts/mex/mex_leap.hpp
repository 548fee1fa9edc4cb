// The leap-second table of a plug-in call (varn, varn_fast, varn_eop,
// varn_time): the one the environment variable VARN_LEAP_SECONDS names, else
// the data folder's leap-second file when it knows more than the built-in
// table (see time/leap_in_force.hpp), read on every call (a stat while the
// file is unchanged), and the texts of its error and of the expiry warning.
// Inline, at file scope: each gateway is one translation unit.
#pragma once

#include "mex.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/data_folder.hpp"
#include "time/leap_in_force.hpp"
#include "time/leap_table.hpp"

// Room for a file name in UTF-8 (Linux's PATH_MAX; Windows allows 260
// characters by default, 32767 UTF-16 units at most; macOS 1024 bytes), and
// for a message around one.
constexpr std::size_t FILE_NAME_SIZE = 4096;
constexpr std::size_t LEAP_MESSAGE_SIZE = FILE_NAME_SIZE + 512;

// The table in force. For a faulty file returns null with the message (the
// file, the line, the reason) in message; the caller raises
// MATLAB:<function>:LeapSecondFile with it once it owns nothing.
inline std::shared_ptr<const varn::LeapTable> leap_table_or_message(char* message) {
    try {
        varn::LeapFileError e;
        const char* named = std::getenv("VARN_LEAP_SECONDS");
        std::shared_ptr<const varn::LeapTable> table = varn::leap_table_in_force(
            named ? named : "", varn_host::data_folder(varn_host::data_folder_env()), e);
        if (!table) std::snprintf(message, LEAP_MESSAGE_SIZE, "%s", varn::leap_file_message(e).c_str());
        return table;
    } catch (...) {
        std::snprintf(message, LEAP_MESSAGE_SIZE, "Out of memory reading the leap-second file.");
        return nullptr;
    }
}

// The expiry warning, MATLAB:<function>:leapSecondsExpired: the count, the
// expiry date, the table's source and how to load a newer table.
inline void expiry_message(const varn::LeapTable& table, std::int64_t expired, std::int64_t n,
                           char* message) {
    try {
        std::snprintf(message, LEAP_MESSAGE_SIZE, "%s",
                      varn::expiry_message(table, expired, n).c_str());
    } catch (...) {
        std::snprintf(message, LEAP_MESSAGE_SIZE, "Epochs lie after the leap-second table's expiry.");
    }
}
