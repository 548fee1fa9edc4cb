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
//      only. Any other value is ignored (gateway/thread_env.hpp).
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

#include <cstdint>
#include <cstdlib>

#include "common/thread_env.hpp"

namespace varn_mex {

// A batch below this many rows runs on the calling thread whatever the count
// (iau_compute_parallel gives a thread no fewer than 8 rows), so the host is
// not asked: the question is a call into the host's interpreter, paid on
// every call, which a loop of single epochs should not pay.
constexpr std::int64_t ROWS_WORTH_ASKING = 16;

using varn_host::parse_thread_count;
using varn_host::thread_count;

#if !defined(HAVE_OCTAVE)
// MATLAB's maxNumCompThreads, asked on the calling thread (the only one that
// may call the host). The trap turns a failure of the call into a returned
// error object, so that no error leaves this function. 0 when the call fails
// or its answer is not a count.
inline int matlab_comp_threads() {
    mxArray* answer = nullptr;
    mxArray* failure = mexCallMATLABWithTrap(1, &answer, 0, nullptr, "maxNumCompThreads");
    int count = 0;
    if (failure != nullptr) mxDestroyArray(failure);
    if (answer != nullptr) {  // set only when the call succeeded
        if (mxIsDouble(answer) && mxGetNumberOfElements(answer) == 1)
            count = thread_count(mxGetScalar(answer));
        mxDestroyArray(answer);
    }
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
