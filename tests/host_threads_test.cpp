// The plug-ins' thread count (gateway/host_threads.hpp) on both hosts:
// Octave's MEX header without its host macro compiles the MATLAB branch, whose
// calls into MATLAB are played by the fakes below.
#include "mex.h"
#undef HAVE_OCTAVE
#include "gateway/host_threads.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {
double answer, cell;  // maxNumCompThreads's answer (NaN: the call fails), its array
int live = 0;         // arrays the fake host made that the plug-in has not destroyed
}  // namespace

extern "C" {
mxArray* mexCallMATLABWithTrap(int, mxArray* out[], int, mxArray*[], const char*) {
    ++live;
    cell = answer;
    out[0] = std::isnan(answer) ? nullptr : &cell;
    return std::isnan(answer) ? &cell : nullptr;
}
void mxDestroyArray(mxArray*) { --live; }
bool mxIsDouble(const mxArray*) { return true; }
size_t mxGetNumberOfElements(const mxArray*) { return 1; }
double mxGetScalar(const mxArray* a) { return *static_cast<const double*>(a); }
}

// MATLAB's answer when it is a count, else VARN_NUM_THREADS when it is one
// (decimal digits only), else 0; under 16 rows 1.
TEST(HostThreads, MatlabThenEnvironmentThenHardware) {
    const struct { double matlab; const char* env; int want; } cases[] = {
        {4, "7", 4}, {1, nullptr, 1}, {NAN, "7", 7}, {0, "7", 7}, {2.5, "7", 7},
        {-3, "007", 7}, {3e9, "2147483647", 2147483647}, {NAN, "2147483648", 0},
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
