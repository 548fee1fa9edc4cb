// The plug-ins' thread count (gateway/host_threads.hpp) on both hosts:
// Octave's MEX header without its host macro compiles the MATLAB branch, whose
// calls into MATLAB are played by the fakes below.
#include "mex.h"
#undef HAVE_OCTAVE
#include "host_threads.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {
// maxNumCompThreads's answer: NaN makes the call fail, 8 comes back as another
// class than double, 9 as an empty array.
double answer, cell;
int live = 0;  // arrays the fake host made that the plug-in has not destroyed
}  // namespace

extern "C" {
mxArray* mexCallMATLABWithTrap(int nlhs, mxArray* out[], int nrhs, mxArray*[], const char* fn) {
    EXPECT_EQ(nlhs, 1);
    EXPECT_EQ(nrhs, 0);
    EXPECT_STREQ(fn, "maxNumCompThreads");
    ++live;
    cell = answer;
    if (std::isnan(answer)) return &cell;
    out[0] = &cell;
    return nullptr;
}
void mxDestroyArray(mxArray*) { --live; }
bool mxIsDouble(const mxArray*) { return answer != 8; }
size_t mxGetNumberOfElements(const mxArray*) { return answer == 9 ? 0 : 1; }
double mxGetScalar(const mxArray* a) { return *static_cast<const double*>(a); }
}

// MATLAB's answer when it is a count, else VARN_NUM_THREADS when it is one
// (decimal digits only), else 0; under 16 rows 1.
TEST(HostThreads, MatlabThenEnvironmentThenHardware) {
    const struct { double matlab; const char* env; int want; } cases[] = {
        {4, "7", 4}, {1, nullptr, 1}, {NAN, "7", 7}, {0, "9", 9}, {2.5, "7", 7},
        {8, "7", 7}, {9, "7", 7}, {-3, "0019", 19}, {3e9, "2147483647", 2147483647},
        {NAN, "2147483648", 0},
        {NAN, nullptr, 0}, {NAN, "", 0}, {NAN, "0", 0}, {NAN, "-2", 0}, {NAN, "+2", 0},
        {NAN, " 2", 0}, {NAN, "2 ", 0}, {NAN, "1e3", 0}, {NAN, "0x10", 0}, {NAN, "9e99", 0},
        {NAN, "99999999999999999999999999", 0}};
    for (const auto& c : cases) {
        answer = c.matlab;
        c.env ? setenv("VARN_NUM_THREADS", c.env, 1) : unsetenv("VARN_NUM_THREADS");
        EXPECT_EQ(varn_mex::host_threads(16), c.want) << c.matlab << " " << (c.env ? c.env : "");
        EXPECT_EQ(varn_mex::host_threads(15), 1);
        EXPECT_EQ(live, 0);
    }
}
