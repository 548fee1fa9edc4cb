// MEX entry of the function varn_gcrs2itrs, for MATLAB and GNU Octave:
//
//   [r, v, a] = varn_gcrs2itrs(rc2t, rpom, r, v, a, lod)
//
// and, compiled with -DVARN_ITRS2GCRS, of varn_itrs2gcrs: the same call and
// checks, identifiers "MATLAB:varn_itrs2gcrs:...", the inverse transform.
// The rule, its units and the bound of what it neglects are documented in
// pipeline/state_vectors.hpp and in the help texts.
//
// Checks: the counts, then the class of every input given (numeric, real,
// full) in argument order, then the shapes, then that every output asked has
// its inputs. v, a and lod may be left out or given as [] (0 x 0).
//
// Inputs of class double are read where the host holds them: the transform
// only reads its inputs, and a batch of a million rows need not be copied
// (that copy would cost more than the transform). Inputs of other numeric
// classes are converted into private arrays. The outputs are created by the
// host and written in place by the transform.
//
// As in the varn gateway, an error is raised only where the gateway owns no
// memory: every check runs before the first allocation, and an allocation
// failure releases the private arrays and destroys the outputs before it
// reports. Every message goes to the host as the argument of a "%s" format.
#include "mex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host_threads.hpp"
#include "mex_input.hpp"
#include "frames/state_vectors.hpp"

#ifdef VARN_ITRS2GCRS
#define STATE_NAME "varn_itrs2gcrs"
#define STATE_TO_ITRS false
#else
#define STATE_NAME "varn_gcrs2itrs"
#define STATE_TO_ITRS true
#endif
#define STATE_ID(mnemonic) "MATLAB:" STATE_NAME ":" mnemonic

namespace {

// Argument positions, in the order of the call; the first three are needed.
enum Input { RC2T, RPOM, R, V, A, LOD, N_INPUTS };
constexpr int N_NEEDED = 3;
enum Output { R_OUT, V_OUT, A_OUT, N_OUTPUTS };

// Columns of each input: flattened 3 x 3 matrices, vectors, lod (or 1 x 1).
constexpr int IN_COLS[N_INPUTS] = {9, 9, 3, 3, 3, 1};

#define STATE_INPUT(name, shape)                                                              \
    {STATE_ID("NonNumeric_" name), "Input for " name " must be numeric.",                       \
     STATE_ID("Complex_" name), "Input for " name " must be real.",                             \
     STATE_ID("Sparse_" name), "Input for " name " must be full.",                              \
     STATE_ID("WrongDimension_" name), "Input for " name " must be of dimension " shape}

// Identifiers and messages of the per-input checks (gateway/mex_input.hpp).
constexpr InputErrors INPUT_ERRORS[N_INPUTS] = {
    STATE_INPUT("rc2t", "nx9"),
    STATE_INPUT("rpom", "nx9, n the rows of rc2t"),
    STATE_INPUT("r", "nx3, n the rows of rc2t"),
    STATE_INPUT("v", "nx3, n the rows of rc2t"),
    STATE_INPUT("a", "nx3, n the rows of rc2t"),
    STATE_INPUT("lod", "nx1, n the rows of rc2t, or a scalar"),
};

void release(double** arrays) {
    for (int k = 0; k < N_INPUTS; ++k) {
        std::free(arrays[k]);
        arrays[k] = nullptr;
    }
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // Counts.
    if (nrhs < N_NEEDED || nrhs > N_INPUTS)
        mexErrMsgIdAndTxt(STATE_ID("nInput"), "%s", "Three to six inputs required.");
    if (nlhs > N_OUTPUTS)
        mexErrMsgIdAndTxt(STATE_ID("nOutput"), "%s", "Too many output arguments.");

    // Classes of every input given, in argument order.
    for (int k = 0; k < nrhs; ++k) check_class(prhs[k], INPUT_ERRORS[k]);

    // Shapes. An optional input left out or given as [] is absent. mxGetN
    // counts every trailing dimension together.
    const mxArray* given[N_INPUTS] = {};
    for (int k = 0; k < nrhs; ++k) {
        const bool empty = mxGetM(prhs[k]) == 0 && mxGetN(prhs[k]) == 0;
        given[k] = k >= N_NEEDED && empty ? nullptr : prhs[k];
    }
    const std::size_t n = mxGetM(prhs[RC2T]);
    for (int k = 0; k < N_INPUTS; ++k) {
        if (!given[k]) continue;
        const std::size_t rows = mxGetM(given[k]), cols = mxGetN(given[k]);
        const bool scalar_lod = k == LOD && rows == 1 && cols == 1;
        if (!scalar_lod && (cols != static_cast<std::size_t>(IN_COLS[k]) || rows != n))
            mexErrMsgIdAndTxt(INPUT_ERRORS[k].dimension_id, "%s", INPUT_ERRORS[k].dimension_msg);
    }

    // Every output asked needs its input: a velocity, or an acceleration,
    // made up from nothing would be a wrong result that looks right.
    if (nlhs > V_OUT && !given[V])
        mexErrMsgIdAndTxt(STATE_ID("MissingInput_v"), "%s", "Output v requires input v.");
    if (nlhs > A_OUT && !given[A])
        mexErrMsgIdAndTxt(STATE_ID("MissingInput_a"), "%s", "Output a requires input a.");

    // Asked before anything is owned: in MATLAB this is a call into the host.
    const int threads = varn_mex::host_threads(static_cast<std::int64_t>(n));

    // Host outputs first; with no output requested the caller still receives
    // r (as ans).
    const int n_returned = nlhs > 1 ? nlhs : 1;
    double* out[N_OUTPUTS] = {};
    for (int k = 0; k < n_returned; ++k) {
        plhs[k] = mxCreateDoubleMatrix(n, 3, mxREAL);
        out[k] = mxGetPr(plhs[k]);
    }

    // Inputs as doubles: the host's own data, or a private conversion. The
    // host holds at least one byte per element, so 8 bytes per element
    // cannot overflow a 64-bit size. An empty array needs no conversion.
    const double* in[N_INPUTS] = {};
    double* converted[N_INPUTS] = {};
    bool allocated = true;
    for (int k = 0; k < N_INPUTS && allocated; ++k) {
        if (!given[k]) continue;
        const std::size_t count = mxGetNumberOfElements(given[k]);
        if (mxIsDouble(given[k]) || count == 0) {
            in[k] = count == 0 ? nullptr : mxGetPr(given[k]);
            continue;
        }
        converted[k] = static_cast<double*>(std::malloc(count * sizeof(double)));
        allocated = converted[k] != nullptr;
        if (allocated) copy_to_private(given[k], converted[k], count);
        in[k] = converted[k];
    }
    if (!allocated) {
        release(converted);
        for (int k = 0; k < n_returned; ++k) {
            mxDestroyArray(plhs[k]);
            plhs[k] = nullptr;
        }
        mexErrMsgIdAndTxt(STATE_ID("OutOfMemory"), "%s", "Allocation would exceed memory limit");
    }

    // n x 9, n x 3 and n x 1 column-major; a scalar lod serves every row.
    // The checks above leave the transform nothing to refuse: r is given,
    // and v and a whenever their outputs are asked. An empty batch (n = 0)
    // has nothing to transform.
    const std::int64_t rows = static_cast<std::int64_t>(n);
    if (rows > 0) {
        const std::int64_t lod_step = given[LOD] && mxGetM(given[LOD]) == n ? 1 : 0;
        varn::transform_states(STATE_TO_ITRS, rows, {in[RC2T], 1, rows, 3 * rows},
                               {in[RPOM], 1, rows, 3 * rows}, {in[R], 1, rows}, {in[V], 1, rows},
                               {in[A], 1, rows}, {in[LOD], lod_step}, {out[R_OUT], 1, rows},
                               {out[V_OUT], 1, rows}, {out[A_OUT], 1, rows}, threads);
    }
    release(converted);
}
