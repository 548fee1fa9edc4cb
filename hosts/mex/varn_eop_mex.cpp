// MEX entry of the function varn_eop, for MATLAB and GNU Octave:
//
//   [xp, yp, dX, dY, DUT, predicted, lod] = varn_eop(file, tt)
//   eop = varn_eop(file, tt)      (one output: a struct of the seven columns)
//   T = varn_eop(file)            (the file's rows: a struct of its columns)
//   varn_eop([], tt), varn_eop(tt), varn_eop([])
//                                 (the same of the data folder's finals2000A.all)
//
// Reads an IERS Earth orientation series (EOP 14 C04, EOP 20 C04 or
// finals2000A) and interpolates it to the epochs tt, ready for varn, or
// gives its rows as they are. The reader and the interpolation are the
// library's (eop/eop_table.hpp); this file checks the arguments, keeps the
// parsed table of the last file between calls, and reports. tt is checked
// and converted exactly as varn does it.
//
// The host's error call may leave this function without running any C++
// destructor, so an error is raised only where the function owns no memory:
// its message is built in a local fixed-size buffer, everything is released,
// then the error is raised. The table kept between calls belongs to a static
// that mexAtExit frees when the plug-in is cleared.
#include "mex.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "common/data_folder.hpp"
#include "common/file_stamp.hpp"
#include "eop/eop_table.hpp"
#include "mex_input.hpp"
#include "mex_leap.hpp"

namespace {

// Argument positions, in the order of the call.
enum Input { FILE_NAME, TT, N_INPUTS };
enum Output { XP, YP, DX, DY, DUT, PREDICTED, LOD, N_OUTPUTS };
const char* const FIELD_NAMES[N_OUTPUTS] = {"xp", "yp", "dX", "dY", "DUT", "predicted", "lod"};

// The columns of the table form, T = varn_eop(file): the numbers, then the
// prediction flags (logical).
enum Column { T_MJD, T_XP, T_YP, T_DX, T_DY, T_DUT, T_LOD, T_PRED_POLE, T_PRED_UT1, T_PRED_NUT,
              N_COLUMNS };
const char* const COLUMN_NAMES[N_COLUMNS] = {"mjd", "xp",  "yp",        "dX",       "dY",
                                             "dut", "lod", "pred_pole", "pred_ut1", "pred_nut"};

// Room for a message around a file name of up to FILE_NAME_SIZE bytes.
constexpr std::size_t MESSAGE_SIZE = LEAP_MESSAGE_SIZE;

// Identifier and message of each reader error, in the order of EopError.
// The message takes the file name, the line and the field, in that order.
struct ReadError {
    const char* id;
    const char* format;
};
const ReadError READ_ERRORS[] = {
    {"", ""},  // None
    {"MATLAB:varn_eop:FileOpen", ""},  // with the system's reason: open_error
    {"MATLAB:varn_eop:UnknownFormat",
     "EOP file '%s' is in no known format (EOP 14 C04, EOP 20 C04, finals2000A)."},
    {"MATLAB:varn_eop:MalformedRow", "EOP file '%s', line %lld: malformed field %s."},
    {"MATLAB:varn_eop:NotIncreasing",
     "EOP file '%s', line %lld: the MJD is not above that of the row before."},
    {"MATLAB:varn_eop:UnequalSpacing",
     "EOP file '%s', line %lld: the rows are not equally spaced."},
    {"MATLAB:varn_eop:TooFewRows", "EOP file '%s' has fewer than four usable rows."},
    {"MATLAB:varn_eop:OutOfMemory", "Out of memory reading EOP file '%s'."},
    {"MATLAB:varn_eop:LeapSecondMismatch", ""},  // with the rows' values: mismatch_error
};

// The parsed table of the last file read, with what identifies that file and
// its state: canonical path, device, file number, size, modification and
// change times (an edit of the same size with its modification time put
// back changes the change time), and the leap-second table it was parsed
// under (table.leap). Only a complete table is ever kept.
struct Cached {
    std::string path;
    varn::detail::FileStamp stamp;
    varn::EopTable table;
};
Cached* cached = nullptr;

void free_cache() {
    delete cached;
    cached = nullptr;
}

bool same_file(const Cached& c, const std::string& path, const varn::detail::FileStamp& stamp,
               const std::shared_ptr<const varn::LeapTable>& leap) {
    return c.table.leap == leap && c.path == path && c.stamp == stamp;
}

void raise(const char* id, const char* message) { mexErrMsgIdAndTxt(id, "%s", message); }

const char* open_error(const char* name, int sys_errno, char* message) {
    std::snprintf(message, MESSAGE_SIZE, "Cannot open EOP file '%s': %s.", name,
                  std::strerror(sys_errno));
    return READ_ERRORS[static_cast<int>(varn::EopError::Open)].id;
}

// The file's UT1 - UTC steps where the leap-second table has no step, or the
// reverse.
const char* mismatch_error(const char* name, const varn::EopStatus& s, const varn::LeapTable& leap,
                           char* message) {
    try {
        std::snprintf(message, MESSAGE_SIZE, "%s", varn::leap_mismatch_message(name, s, leap).c_str());
    } catch (...) {
        std::snprintf(message, MESSAGE_SIZE, "The EOP file and the leap-second table disagree.");
    }
    return READ_ERRORS[static_cast<int>(varn::EopError::LeapMismatch)].id;
}

// The table of the named file under the leap-second table leap: the kept
// one while the file and the leap-second table are unchanged, else a fresh
// read. On failure returns null with the identifier and message set, and
// nothing kept.
const varn::EopTable* table_of(const char* name, const std::shared_ptr<const varn::LeapTable>& leap,
                               const char** id, char* message) {
    varn::detail::FileStamp stamp;
    std::string path;
    int sys_errno = varn::detail::file_stamp(name, stamp);
    try {
        if (sys_errno == 0) sys_errno = varn::detail::canonical_path(name, path);
    } catch (const std::bad_alloc&) {
        sys_errno = ENOMEM;
    }
    if (sys_errno != 0) {
        *id = open_error(name, sys_errno, message);
        return nullptr;
    }
    if (cached && same_file(*cached, path, stamp, leap)) return &cached->table;

    free_cache();
    Cached* fresh = new (std::nothrow) Cached;
    varn::EopStatus status;
    status.error = varn::EopError::Memory;
    if (fresh) {
        try {
            status = varn::read_eop(path, fresh->table, leap);
        } catch (const std::bad_alloc&) {
            status.error = varn::EopError::Memory;
        }
    }
    if (status.error == varn::EopError::Open) {
        delete fresh;
        *id = open_error(name, status.sys_errno, message);
        return nullptr;
    }
    if (status.error == varn::EopError::LeapMismatch) {
        delete fresh;
        *id = mismatch_error(name, status, *leap, message);
        return nullptr;
    }
    if (status.error != varn::EopError::None) {
        delete fresh;
        const ReadError& e = READ_ERRORS[static_cast<int>(status.error)];
        *id = e.id;
        std::snprintf(message, MESSAGE_SIZE, e.format, name,
                      static_cast<long long>(status.line), status.field);
        return nullptr;
    }
    fresh->path.swap(path);
    fresh->stamp = stamp;
    cached = fresh;
    mexAtExit(free_cache);
    return &cached->table;
}

// The table's rows as a 1 x 1 struct of n x 1 columns. The arrays belong to
// the host from their creation (its allocator ends the call when memory
// runs out), so nothing here needs releasing.
mxArray* table_struct(const varn::EopTable& t) {
    const std::size_t n = t.mjd.size();
    const std::vector<double>* numbers[T_PRED_POLE] = {&t.mjd, &t.xp, &t.yp, &t.dX,
                                                       &t.dY,  &t.dut, &t.lod};
    const std::vector<unsigned char>* flags[N_COLUMNS - T_PRED_POLE] = {&t.pred_pole, &t.pred_ut1,
                                                                        &t.pred_nut};
    mxArray* s = mxCreateStructMatrix(1, 1, N_COLUMNS, const_cast<const char**>(COLUMN_NAMES));
    for (int k = 0; k < T_PRED_POLE; ++k) {
        mxArray* a = mxCreateDoubleMatrix(n, 1, mxREAL);
        std::copy(numbers[k]->begin(), numbers[k]->end(), mxGetPr(a));
        mxSetFieldByNumber(s, 0, k, a);
    }
    for (int k = T_PRED_POLE; k < N_COLUMNS; ++k) {
        mxArray* a = mxCreateLogicalMatrix(n, 1);
        const std::vector<unsigned char>& f = *flags[k - T_PRED_POLE];
        mxLogical* out = mxGetLogicals(a);
        for (std::size_t i = 0; i < n; ++i) out[i] = f[i] != 0;
        mxSetFieldByNumber(s, 0, k, a);
    }
    return s;
}

// The data folder's finals2000A.all into name (FILE_NAME_SIZE bytes), and when it
// was fetched (seconds since 1970, -1 if unknown); false with the message
// when there is none. Owns nothing when it returns.
bool folder_finals(char* name, std::int64_t* fetched, char* message) {
    try {
        const std::string folder = varn_host::data_folder(varn_host::data_folder_env());
        const std::string path = varn_host::in_folder(folder, varn_host::FINALS_FILE);
        if (!varn_host::is_file(path) || path.size() >= FILE_NAME_SIZE) {
            std::snprintf(message, MESSAGE_SIZE,
                          "No %s in the data folder %s: run varn_update to fetch it (set "
                          "VARN_DATA_DIR to use another folder), or name a file.",
                          varn_host::FINALS_FILE, folder.c_str());
            return false;
        }
        std::memcpy(name, path.c_str(), path.size() + 1);
        *fetched = varn_host::fetched_unix_time(path);
        return true;
    } catch (...) {
        std::snprintf(message, MESSAGE_SIZE, "Out of memory finding the data folder.");
        return false;
    }
}

// One warning when the data folder's file was fetched more than
// STALE_AFTER_DAYS ago: its age, and how to update it.
void warn_if_stale(const char* name, std::int64_t fetched, char* message) {
    if (fetched < 0) return;  // no fetch time on record
    const double age =
        static_cast<double>(std::time(nullptr) - fetched) / varn_host::SECONDS_PER_DAY;
    if (!(age > varn_host::STALE_AFTER_DAYS)) return;
    const std::time_t when = static_cast<std::time_t>(fetched);
    char date[16] = "?";
    if (const std::tm* utc = std::gmtime(&when)) std::strftime(date, sizeof date, "%Y-%m-%d", utc);
    std::snprintf(message, MESSAGE_SIZE,
                  "%s was fetched %.0f days ago (%s): its observed values end there and its "
                  "predictions grow worse; run varn_update.",
                  name, age, date);
    mexWarnMsgIdAndTxt("MATLAB:varn_eop:staleData", "%s", message);
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // Counts: the file alone gives its table (one output), with tt the
    // values at the epochs. [] in place of the file, or tt alone (numbers,
    // not 0 x 0), stands for the data folder's finals2000A.all.
    if (nrhs < 1 || nrhs > N_INPUTS)
        raise("MATLAB:varn_eop:nInput", "One or two inputs required.");
    const mxArray* first = prhs[FILE_NAME];
    const bool no_name = mxIsNumeric(first) && mxGetM(first) == 0 && mxGetN(first) == 0;
    const bool tt_alone = nrhs == 1 && mxIsNumeric(first) && !no_name;
    const bool whole_table = nrhs == 1 && !tt_alone;
    if (nlhs > (whole_table ? 1 : N_OUTPUTS))
        raise("MATLAB:varn_eop:nOutput", "Too many output arguments.");

    // The file name: a char row vector, or in MATLAB a string scalar.
    const mxArray* file = no_name || tt_alone ? nullptr : text_argument(first);
    if (!file && !no_name && !tt_alone)
        raise("MATLAB:varn_eop:NotText_file",
              "Input for file must be a character row vector or a string scalar.");

    // tt, exactly as varn checks it.
    const mxArray* tt = whole_table ? nullptr : prhs[tt_alone ? FILE_NAME : TT];
    if (tt) {
        if (!mxIsNumeric(tt) || !convertible_class(tt))
            raise("MATLAB:varn_eop:NonNumeric_tt", "Input for tt must be numeric.");
        if (mxIsComplex(tt)) raise("MATLAB:varn_eop:Complex_tt", "Input for tt must be real.");
        if (mxIsSparse(tt)) raise("MATLAB:varn_eop:Sparse_tt", "Input for tt must be full.");
        if (mxGetN(tt) != 2)
            raise("MATLAB:varn_eop:WrongDimension_tt", "Input for tt must be of dimension nx2");
    }

    // The leap-second table in force, then the file's table, parsed under
    // it. A NUL inside the name would open another file.
    char name[FILE_NAME_SIZE];
    const char* id = nullptr;
    char message[MESSAGE_SIZE];
    std::int64_t fetched = -1;
    if (!file && !folder_finals(name, &fetched, message)) raise("MATLAB:varn_eop:NoData", message);
    std::shared_ptr<const varn::LeapTable> leap = leap_table_or_message(message);
    if (!leap) raise("MATLAB:varn_eop:LeapSecondFile", message);
    const varn::EopTable* table = nullptr;
    if (file && !utf8_text(file, name, sizeof name)) {
        id = "MATLAB:varn_eop:FileOpen";
        std::snprintf(message, sizeof message,
                      "Cannot open EOP file: the name holds a NUL or exceeds %d bytes.",
                      static_cast<int>(FILE_NAME_SIZE - 1));
    } else {
        table = table_of(name, leap, &id, message);
    }
    leap.reset();  // the table keeps its own
    if (!table) raise(id, message);
    if (whole_table) {
        plhs[0] = table_struct(*table);
        if (!file) warn_if_stale(name, fetched, message);
        return;
    }

    // Host outputs, then the private arrays: tt converted to double and the
    // prediction flags (a bool is not the host's logical type everywhere).
    const std::size_t n = mxGetM(tt);
    mxArray* out[N_OUTPUTS];
    for (int k = 0; k < N_OUTPUTS; ++k)
        out[k] = k == PREDICTED ? mxCreateLogicalMatrix(n, 1) : mxCreateDoubleMatrix(n, 1, mxREAL);
    // The host holds tt, at least 2n bytes, so 17n bytes cannot overflow a
    // 64-bit size. An empty batch allocates nothing.
    double* tt_private = nullptr;
    bool* predicted = nullptr;
    if (n > 0) {
        tt_private = static_cast<double*>(std::malloc(2 * n * sizeof(double)));
        predicted = static_cast<bool*>(std::malloc(n * sizeof(bool)));
    }
    if (n > 0 && !(tt_private && predicted)) {
        std::free(tt_private);
        std::free(predicted);
        for (mxArray* a : out) mxDestroyArray(a);
        raise("MATLAB:varn_eop:OutOfMemory", "Allocation would exceed memory limit");
    }

    copy_to_private(tt, tt_private, 2 * n);
    const std::int64_t n_signed = static_cast<std::int64_t>(n);
    std::int64_t expired = 0;
    const std::int64_t outside =
        varn::eop_interpolate(*table, n_signed, tt_private, mxGetPr(out[XP]), mxGetPr(out[YP]),
                              mxGetPr(out[DX]), mxGetPr(out[DY]), mxGetPr(out[DUT]), predicted,
                              &expired, mxGetPr(out[LOD]));
    std::copy(predicted, predicted + n, mxGetLogicals(out[PREDICTED]));
    std::free(tt_private);
    std::free(predicted);

    if (nlhs <= 1) {
        plhs[0] = mxCreateStructMatrix(1, 1, N_OUTPUTS, const_cast<const char**>(FIELD_NAMES));
        for (int k = 0; k < N_OUTPUTS; ++k) mxSetFieldByNumber(plhs[0], 0, k, out[k]);
    } else {
        for (int k = 0; k < N_OUTPUTS; ++k) {
            if (k < nlhs) plhs[k] = out[k];
            else mxDestroyArray(out[k]);
        }
    }

    // Last, with nothing owned: a host may turn a warning into an error. The
    // table stays in the cache, which outlives the call.
    if (!file) warn_if_stale(name, fetched, message);
    if (expired > 0) {
        expiry_message(*table->leap, expired, n_signed, message);
        mexWarnMsgIdAndTxt("MATLAB:varn_eop:leapSecondsExpired", "%s", message);
    }
    if (outside > 0) {
        std::snprintf(message, sizeof message,
                      "%lld of %lld epochs lie outside the EOP table, MJD %.2f to %.2f (UTC); "
                      "their values are NaN.",
                      static_cast<long long>(outside), static_cast<long long>(n_signed),
                      table->mjd.front(), table->mjd.back());
        mexWarnMsgIdAndTxt("MATLAB:varn_eop:outOfRange", "%s", message);
    }
}
