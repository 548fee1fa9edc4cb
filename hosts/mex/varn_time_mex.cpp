// MEX entry of the function varn_time, for MATLAB and GNU Octave:
//
//   [out, cal] = varn_time(t, from, to)     time stamps from one scale to another
//   table = varn_time('leapseconds')        the leap-second table in force
//
// The conversion is the library's (time/time_convert.hpp); this file
// checks the arguments, takes the leap-second table in force
// (VARN_LEAP_SECONDS), and reports. As in the other gateways an error is
// raised only where the function owns no memory, and warnings come last.
#include "mex.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "mex_input.hpp"
#include "mex_leap.hpp"
#include "time/time_convert.hpp"

namespace {

// Argument positions of a conversion, in the order of the call.
enum Input { T, FROM, TO, N_INPUTS };
constexpr int N_OUTPUTS = 2;

// Fields of the table's struct.
const char* const TABLE_FIELDS[] = {"steps", "expires", "expires_mjd", "source", "steps_source",
                                    "expiry_source"};
constexpr int N_TABLE_FIELDS = 6;

void raise(const char* id, const char* message) { mexErrMsgIdAndTxt(id, "%s", message); }

// The struct of varn_time('leapseconds'): the steps from 1972 (year, month,
// day, TAI - UTC in seconds), the expiry date, the source, and where the
// steps and the expiry date came from.
mxArray* table_struct(const varn::LeapTable& leap) {
    const std::size_t first = leap.first_integral();
    const std::size_t k = leap.steps().size() - first;
    mxArray* steps = mxCreateDoubleMatrix(k, 4, mxREAL);
    double* p = mxGetPr(steps);
    for (std::size_t i = 0; i < k; ++i) {
        const varn::LeapStep& s = leap.steps()[first + i];
        const double row[4] = {double(s.year), double(s.month), 1.0, s.tai_minus_utc_s};
        for (std::size_t c = 0; c < 4; ++c) p[c * k + i] = row[c];
    }
    const double expires_mjd = leap.expires_mjd();
    int ymd[3] = {0, 0, 0};
    varn::date_of_mjd(expires_mjd, ymd[0], ymd[1], ymd[2]);
    mxArray* expires = mxCreateDoubleMatrix(1, 3, mxREAL);
    for (int c = 0; c < 3; ++c) mxGetPr(expires)[c] = ymd[c];

    mxArray* s = mxCreateStructMatrix(1, 1, N_TABLE_FIELDS, const_cast<const char**>(TABLE_FIELDS));
    mxSetFieldByNumber(s, 0, 0, steps);
    mxSetFieldByNumber(s, 0, 1, expires);
    mxSetFieldByNumber(s, 0, 2, mxCreateDoubleScalar(expires_mjd));
    mxSetFieldByNumber(s, 0, 3, mxCreateString(leap.source().c_str()));
    mxSetFieldByNumber(s, 0, 4, mxCreateString(leap.steps_source().c_str()));
    mxSetFieldByNumber(s, 0, 5, mxCreateString(leap.expiry_source().c_str()));
    return s;
}

// The scale a text argument names; false (id and message set) when it is
// not text or names no scale.
bool scale_of(const mxArray* a, const char* arg, varn::TimeScale& scale, char* id, char* message) {
    const mxArray* text = text_argument(a);
    char name[8];
    if (!text) {
        std::snprintf(id, 64, "MATLAB:varn_time:NotText_%s", arg);
        std::snprintf(message, LEAP_MESSAGE_SIZE,
                      "Input for %s must be a character row vector or a string scalar.", arg);
        return false;
    }
    if (mxGetString(text, name, sizeof name) != 0 || std::strlen(name) != mxGetN(text) ||
        !varn::time_scale_named(name, scale)) {
        std::snprintf(id, 64, "MATLAB:varn_time:UnknownScale_%s", arg);
        std::snprintf(message, LEAP_MESSAGE_SIZE,
                      "Input for %s must be one of 'UTC', 'TAI', 'TT', 'GPS'.", arg);
        return false;
    }
    return true;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // Counts.
    if (nrhs != N_INPUTS && nrhs != 1)
        raise("MATLAB:varn_time:nInput", "Three inputs required (t, from, to), or 'leapseconds'.");
    if (nlhs > (nrhs == 1 ? 1 : N_OUTPUTS))
        raise("MATLAB:varn_time:nOutput", "Too many output arguments.");

    char message[LEAP_MESSAGE_SIZE];
    char id[64];
    if (nrhs == 1) {
        const mxArray* text = text_argument(prhs[0]);
        char query[16];
        if (!text || mxGetString(text, query, sizeof query) != 0 ||
            std::strlen(query) != mxGetN(text) || std::string_view(query) != "leapseconds")
            raise("MATLAB:varn_time:UnknownQuery", "The one input must be 'leapseconds'.");
        std::shared_ptr<const varn::LeapTable> leap = leap_table_or_message(message);
        if (!leap) raise("MATLAB:varn_time:LeapSecondFile", message);
        plhs[0] = table_struct(*leap);
        return;
    }

    // t: numeric, real, full, n x 2 or n x 6; then the scale names.
    const mxArray* t = prhs[T];
    if (!mxIsNumeric(t) || !convertible_class(t))
        raise("MATLAB:varn_time:NonNumeric_t", "Input for t must be numeric.");
    if (mxIsComplex(t)) raise("MATLAB:varn_time:Complex_t", "Input for t must be real.");
    if (mxIsSparse(t)) raise("MATLAB:varn_time:Sparse_t", "Input for t must be full.");
    // mxGetN counts every trailing dimension together: an n x 3 x 2 array
    // would pass for n x 6.
    const std::size_t cols = mxGetN(t);
    if ((cols != 2 && cols != 6) || mxGetNumberOfDimensions(t) != 2)
        raise("MATLAB:varn_time:WrongDimension_t", "Input for t must be of dimension nx2 or nx6");
    varn::TimeScale from, to;
    if (!scale_of(prhs[FROM], "from", from, id, message) || !scale_of(prhs[TO], "to", to, id, message))
        raise(id, message);

    std::shared_ptr<const varn::LeapTable> leap = leap_table_or_message(message);
    if (!leap) raise("MATLAB:varn_time:LeapSecondFile", message);

    // Host outputs, then the private copy of t in doubles. The host holds
    // t, at least cols * n bytes, so 8 * cols * n cannot overflow a 64-bit
    // size. An empty batch allocates nothing.
    const std::size_t n = mxGetM(t);
    mxArray* out = mxCreateDoubleMatrix(n, 2, mxREAL);
    mxArray* cal = mxCreateDoubleMatrix(n, 6, mxREAL);
    double* t_private = n > 0 ? static_cast<double*>(std::malloc(cols * n * sizeof(double))) : nullptr;
    if (n > 0 && !t_private) {
        leap.reset();
        mxDestroyArray(out);
        mxDestroyArray(cal);
        raise("MATLAB:varn_time:OutOfMemory", "Allocation would exceed memory limit");
    }
    copy_to_private(t, t_private, cols * n);
    const std::int64_t n_signed = static_cast<std::int64_t>(n);
    const varn::TimeCounts counts = varn::time_convert(*leap, from, to, n_signed, t_private,
                                                       static_cast<int>(cols), mxGetPr(out), mxGetPr(cal));
    std::free(t_private);
    if (counts.expired > 0) expiry_message(*leap, counts.expired, n_signed, message);
    leap.reset();

    plhs[0] = out;
    if (nlhs == N_OUTPUTS) plhs[1] = cal;
    else mxDestroyArray(cal);

    // Last, with nothing owned: a host may turn a warning into an error.
    if (counts.expired > 0) mexWarnMsgIdAndTxt("MATLAB:varn_time:leapSecondsExpired", "%s", message);
    if (counts.invalid > 0)
        mexWarnMsgIdAndTxt("MATLAB:varn_time:invalidTime",
                           "%lld of %lld epochs are no valid time of their scale (a date or time of "
                           "day that does not exist, or a value that is not finite); their rows "
                           "are NaN.",
                           static_cast<long long>(counts.invalid), static_cast<long long>(n_signed));
}
