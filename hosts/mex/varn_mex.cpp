// MEX entry of the function varn, for MATLAB and GNU Octave:
//
//   [rc2t, rc2i, rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t,
//    fa_l, fa_lp, fa_f, fa_d, fa_om, tai, era] = varn(tt, xp, yp, dX, dY, DUT)
//
// and, compiled with -DVARN_FAST_MODE, of varn_fast: the same call and checks,
// identifiers "MATLAB:varn_fast:...", and the fast computation of
// pipeline/iau_compute_fast.hpp.
//
// The gateway checks the counts, classes and shapes of the arguments,
// reports the first violation, and otherwise runs the epoch pipeline once
// over the whole batch on private copies of every array. Units, shapes and
// the content of every series are documented in pipeline/iau_compute.hpp and
// in the help text varn.m.
//
// The host's error call does not return. MathWorks documents that MATLAB
// then calls the destructors of a C++ MEX file's objects that go out of
// scope, and itself frees the arrays the call created, so that nothing may
// free those twice; Octave leaves by a C++ exception; a host that left by
// longjmp would run no destructor. The gateway is right on every such host
// because it raises an error only where it owns no memory: every check runs
// before the first allocation, and an allocation failure releases its own
// blocks and destroys the outputs it created (clearing their slots) before
// it reports. The private arrays are plain malloc blocks, released by hand
// on the one path that holds them.
//
// Every message goes to the host as the argument of a "%s" format, as data:
// a % in a message is never read as a conversion.
#include "mex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host_threads.hpp"
#include "mex_input.hpp"
#include "mex_leap.hpp"
#include "rotation/iau_compute.hpp"
#include "rotation/iau_compute_fast.hpp"

// The function's name, in every error identifier, and its computation.
#ifdef VARN_FAST_MODE
#define VARN_NAME "varn_fast"
#define VARN_COMPUTE varn::iau_compute_fast
#else
#define VARN_NAME "varn"
#define VARN_COMPUTE varn::iau_compute_parallel
#endif
#define VARN_ID(mnemonic) "MATLAB:" VARN_NAME ":" mnemonic

namespace {

// Argument positions, in the order of the call.
enum Input { TT, XP, YP, DX, DY, DUT, N_INPUTS };
constexpr int N_OUTPUTS = 18;

// Columns of each input as the pipeline reads it.
constexpr int IN_COLS[N_INPUTS] = {2, 1, 1, 1, 1, 1};

// Position of utc among the outputs: its first column, the UTC day, tells
// the epochs after the leap-second table's expiry.
constexpr int UTC_OUT = 7;

// Columns of the outputs, in output order: rc2t, rc2i, rpom (flattened 3 x 3),
// xp_rad, yp_rad, gmst, gst, utc and ut1 (day, seconds), tidal_args, t, the
// five Delaunay arguments, tai (day, seconds), era.
constexpr int OUT_COLS[N_OUTPUTS] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};

// Identifiers and messages of the per-input checks (gateway/mex_input.hpp).
constexpr InputErrors INPUT_ERRORS[N_INPUTS] = {
    {VARN_ID("NonNumeric_tt"), "Input for tt must be numeric.",
     VARN_ID("Complex_tt"), "Input for tt must be real.",
     VARN_ID("Sparse_tt"), "Input for tt must be full.",
     VARN_ID("WrongDimension_tt"), "Input for tt must be of dimension nx2"},
    {VARN_ID("NonNumeric_xp"), "Input for xp must be numeric.",
     VARN_ID("Complex_xp"), "Input for xp must be real.",
     VARN_ID("Sparse_xp"), "Input for xp must be full.",
     VARN_ID("WrongDimension_xp"), "xp must have the same number of rows as tt"},
    {VARN_ID("NonNumeric_yp"), "Input for yp must be numeric.",
     VARN_ID("Complex_yp"), "Input for yp must be real.",
     VARN_ID("Sparse_yp"), "Input for yp must be full.",
     VARN_ID("WrongDimension_yp"), "yp must have the same number of rows as tt"},
    {VARN_ID("NonNumeric_dX"), "Input for dX must be numeric.",
     VARN_ID("Complex_dX"), "Input for dX must be real.",
     VARN_ID("Sparse_dX"), "Input for dX must be full.",
     VARN_ID("WrongDimension_dX"), "dX must have the same number of rows as tt"},
    {VARN_ID("NonNumeric_dY"), "Input for dY must be numeric.",
     VARN_ID("Complex_dY"), "Input for dY must be real.",
     VARN_ID("Sparse_dY"), "Input for dY must be full.",
     VARN_ID("WrongDimension_dY"), "dY must have the same number of rows as tt"},
    {VARN_ID("NonNumeric_DUT"), "Input for DUT must be numeric.",
     VARN_ID("Complex_DUT"), "Input for DUT must be real.",
     VARN_ID("Sparse_DUT"), "Input for DUT must be full.",
     VARN_ID("WrongDimension_DUT"), "DUT must have the same number of rows as tt"},
};

// Copy count doubles from a private array into a host output's data.
void copy_to_host(const double* src, double* dst, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) dst[i] = src[i];
}

// Byte size of a rows x cols array of doubles, when it fits in a signed
// 64-bit integer (and so in size_t on the 64-bit hosts MEX files run on).
bool array_bytes(std::uint64_t rows, int cols, std::size_t* bytes) {
    constexpr std::uint64_t LIMIT = static_cast<std::uint64_t>(INT64_MAX);
    const std::uint64_t per_row = static_cast<std::uint64_t>(cols) * sizeof(double);
    static_assert(SIZE_MAX >= LIMIT, "MEX hosts are 64-bit: what fits in int64 fits in size_t");
    if (rows > LIMIT / per_row) return false;
    *bytes = static_cast<std::size_t>(rows * per_row);
    return true;
}

// The one place the gateway enters the computation, exact or fast: the rows
// are shared out among the given number of threads (gateway/host_threads.hpp;
// small batches stay on this thread). The workers only compute; every call
// of the host stays on this thread.
void run_pipeline(std::int64_t n, double* const in[N_INPUTS], double* const out[N_OUTPUTS],
                  int threads, const varn::LeapTable& leap) {
    VARN_COMPUTE(n, in[TT], in[XP], in[YP], in[DX], in[DY], in[DUT], out[0], out[1], out[2],
                 out[3], out[4], out[5], out[6], out[7], out[8], out[9], out[10], out[11],
                 out[12], out[13], out[14], out[15], out[16], out[17], threads, leap);
}

void release(double** arrays, int count) {
    for (int k = 0; k < count; ++k) {
        std::free(arrays[k]);
        arrays[k] = nullptr;
    }
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // Counts.
    if (nrhs != N_INPUTS) mexErrMsgIdAndTxt(VARN_ID("nInput"), "%s", "Six inputs required.");
    if (nlhs > N_OUTPUTS) mexErrMsgIdAndTxt(VARN_ID("nOutput"), "%s", "Too many output arguments.");

    // Classes, input by input, all before any shape: numeric, then real, then
    // full. Complex and sparse storage do not hold n x k plain elements.
    for (int k = 0; k < N_INPUTS; ++k) check_class(prhs[k], INPUT_ERRORS[k]);

    // Shapes. mxGetN counts every trailing dimension together, so an
    // n x 2 x 3 array fails like an n x 6 one.
    std::uint64_t rows[N_INPUTS], cols[N_INPUTS];
    for (int k = 0; k < N_INPUTS; ++k) {
        rows[k] = mxGetM(prhs[k]);
        cols[k] = mxGetN(prhs[k]);
    }
    const std::uint64_t n = rows[TT];
    if (cols[TT] != 2) mexErrMsgIdAndTxt(INPUT_ERRORS[TT].dimension_id, "%s",
                                         INPUT_ERRORS[TT].dimension_msg);
    for (int k = XP; k < N_INPUTS; ++k) {
        if (cols[k] != 1 || rows[k] != n)
            mexErrMsgIdAndTxt(INPUT_ERRORS[k].dimension_id, "%s", INPUT_ERRORS[k].dimension_msg);
    }

    // Sizes of the 24 private arrays, all checked before anything is allocated.
    std::size_t in_bytes[N_INPUTS], out_bytes[N_OUTPUTS];
    bool sizes_fit = true;
    for (int k = 0; k < N_INPUTS; ++k) sizes_fit = sizes_fit && array_bytes(n, IN_COLS[k], &in_bytes[k]);
    for (int k = 0; k < N_OUTPUTS; ++k) sizes_fit = sizes_fit && array_bytes(n, OUT_COLS[k], &out_bytes[k]);
    if (!sizes_fit)
        mexErrMsgIdAndTxt(VARN_ID("Overflow"), "%s",
                          "Integer overflow when calculating the amount of memory to allocate");

    // Asked before anything is owned: in MATLAB this is a call into the host.
    const int threads = varn_mex::host_threads(static_cast<std::int64_t>(n));

    // The leap-second table in force (VARN_LEAP_SECONDS, else built in).
    char message[LEAP_MESSAGE_SIZE];
    std::shared_ptr<const varn::LeapTable> leap = leap_table_or_message(message);
    if (!leap) mexErrMsgIdAndTxt(VARN_ID("LeapSecondFile"), "%s", message);

    // Host outputs first: should the host fail to create one, it ends the
    // call while the gateway still owns nothing. With no output requested the
    // caller still receives rc2t (as ans).
    const int n_returned = nlhs > 1 ? nlhs : 1;
    for (int k = 0; k < n_returned; ++k)
        plhs[k] = mxCreateDoubleMatrix(static_cast<mwSize>(n), OUT_COLS[k], mxREAL);

    // Private arrays. A zero-byte array is a valid empty allocation, held as
    // a null pointer that nothing dereferences.
    double* in[N_INPUTS] = {};
    double* out[N_OUTPUTS] = {};
    bool allocated = true;
    for (int k = 0; k < N_INPUTS && allocated; ++k) {
        if (in_bytes[k] == 0) continue;
        in[k] = static_cast<double*>(std::malloc(in_bytes[k]));
        allocated = in[k] != nullptr;
    }
    for (int k = 0; k < N_OUTPUTS && allocated; ++k) {
        if (out_bytes[k] == 0) continue;
        out[k] = static_cast<double*>(std::malloc(out_bytes[k]));
        allocated = out[k] != nullptr;
    }
    if (!allocated) {
        leap.reset();
        release(in, N_INPUTS);
        release(out, N_OUTPUTS);
        for (int k = 0; k < n_returned; ++k) {
            mxDestroyArray(plhs[k]);
            plhs[k] = nullptr;
        }
        mexErrMsgIdAndTxt(VARN_ID("OutOfMemory"), "%s", "Allocation would exceed memory limit");
    }

    for (int k = 0; k < N_INPUTS; ++k)
        copy_to_private(prhs[k], in[k], in_bytes[k] / sizeof(double));

    const std::int64_t n_signed = static_cast<std::int64_t>(n);
    run_pipeline(n_signed, in, out, threads, *leap);
    const std::int64_t expired = varn::count_expired(*leap, n_signed, out[UTC_OUT]);
    if (expired > 0) expiry_message(*leap, expired, n_signed, message);

    for (int k = 0; k < n_returned; ++k)
        copy_to_host(out[k], mxGetPr(plhs[k]), out_bytes[k] / sizeof(double));

    leap.reset();
    release(in, N_INPUTS);
    release(out, N_OUTPUTS);

    // Last, with nothing owned: a host may turn the warning into an error.
    if (expired > 0) mexWarnMsgIdAndTxt(VARN_ID("leapSecondsExpired"), "%s", message);
}
