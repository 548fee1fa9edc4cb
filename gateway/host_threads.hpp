// How many threads a plug-in gives one call's computation, as the host and
// the user have set it. For the MEX gateways only.
//
//   1. In MATLAB: maxNumCompThreads, MATLAB's own limit on its computational
//      threads (the number of physical cores by default, 1 in a parfor or
//      batch worker and under -singleCompThread, k after
//      maxNumCompThreads(k)). A plug-in that starts a thread per hardware
//      thread in every parfor worker would oversubscribe the machine.
//   2. Otherwise, and in GNU Octave: the environment variable
//      VARN_NUM_THREADS, a positive whole number written in decimal digits
//      only (at most nine). Any other value is ignored.
//   3. Otherwise 0: one thread per hardware thread.
//
// The count never changes a result: every row is computed by the same code,
// whichever thread runs it.
//
// Octave's mex.h defines HAVE_OCTAVE and MATLAB's does not; the question is
// not put to Octave, whose maxNumCompThreads is a legacy stand-in that
// always answers (the number of processors by default) and has no effect on
// Octave itself, so that it would hide VARN_NUM_THREADS.
#pragma once

#include "mex.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace varn_mex {

// A batch below this many rows runs on the calling thread whatever the count
// (iau_compute_parallel gives a thread no fewer than 8 rows), so the host is
// not asked: the question is a call into the host's interpreter, paid on
// every call, which a loop of single epochs should not pay.
constexpr std::int64_t ROWS_WORTH_ASKING = 16;

// VARN_NUM_THREADS as a count: 1 to 999999999 from decimal digits only, 0 for
// anything else (null, empty, signs, spaces, other characters, ten digits
// or more, zero).
inline int parse_thread_count(const char* text) {
    if (text == nullptr) return 0;
    int count = 0;
    for (int i = 0; text[i] != '\0'; ++i) {
        if (i == 9 || text[i] < '0' || text[i] > '9') return 0;
        count = count * 10 + (text[i] - '0');
    }
    return count;
}

#if !defined(HAVE_OCTAVE)
// MATLAB's maxNumCompThreads, asked on the calling thread (the only one that
// may call the host). The trap turns a failure of the call into a returned
// error object, so that no error leaves this function. 0 when the call fails
// or its answer is not a whole number from 1 to 2^20.
inline int matlab_comp_threads() {
    mxArray* answer = nullptr;
    mxArray* failure = mexCallMATLABWithTrap(1, &answer, 0, nullptr, "maxNumCompThreads");
    if (failure != nullptr) {
        mxDestroyArray(failure);
        return 0;
    }
    int count = 0;
    if (answer != nullptr && mxIsDouble(answer) && !mxIsComplex(answer) &&
        mxGetNumberOfElements(answer) == 1) {
        const double value = mxGetScalar(answer);
        if (value >= 1.0 && value <= 1048576.0 && std::floor(value) == value)
            count = static_cast<int>(value);
    }
    if (answer != nullptr) mxDestroyArray(answer);
    return count;
}
#endif

// The thread count for a batch of rows epochs, to pass to
// iau_compute_parallel (0: one per hardware thread).
inline int host_threads(std::int64_t rows) {
    if (rows < ROWS_WORTH_ASKING) return 1;
#if !defined(HAVE_OCTAVE)
    if (const int count = matlab_comp_threads(); count > 0) return count;
#endif
    return parse_thread_count(std::getenv("VARN_NUM_THREADS"));
}

}  // namespace varn_mex
