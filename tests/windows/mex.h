// The MEX API as the gateways use it, with MATLAB's types (UTF-16
// characters, 64-bit sizes): the header of the stand-in MATLAB that the
// Windows cross build compiles the plug-ins against and that mex_host.cpp
// implements.
#pragma once
#include <cstddef>
typedef struct mxArray_tag mxArray;
typedef std::size_t mwSize;
typedef std::size_t mwIndex;
typedef char16_t mxChar;
typedef bool mxLogical;
typedef enum { mxUNKNOWN_CLASS, mxCELL_CLASS, mxSTRUCT_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS,
               mxVOID_CLASS, mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT8_CLASS, mxUINT8_CLASS,
               mxINT16_CLASS, mxUINT16_CLASS, mxINT32_CLASS, mxUINT32_CLASS, mxINT64_CLASS,
               mxUINT64_CLASS, mxFUNCTION_CLASS } mxClassID;
typedef enum { mxREAL, mxCOMPLEX } mxComplexity;
extern "C" {
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void mexErrMsgIdAndTxt(const char* id, const char* format, ...) __attribute__((format(printf, 2, 3)));
void mexWarnMsgIdAndTxt(const char* id, const char* format, ...) __attribute__((format(printf, 2, 3)));
int mexAtExit(void (*function)(void));
int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name);
mxArray* mexCallMATLABWithTrap(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name);
mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
mxArray* mxCreateDoubleScalar(double value);
mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n);
mxArray* mxCreateString(const char* text);
mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** names);
void mxDestroyArray(mxArray* a);
mxChar* mxGetChars(const mxArray* a);
mxClassID mxGetClassID(const mxArray* a);
void* mxGetData(const mxArray* a);
mxLogical* mxGetLogicals(const mxArray* a);
std::size_t mxGetM(const mxArray* a);
std::size_t mxGetN(const mxArray* a);
std::size_t mxGetNumberOfElements(const mxArray* a);
mwSize mxGetNumberOfDimensions(const mxArray* a);
double* mxGetPr(const mxArray* a);
double mxGetScalar(const mxArray* a);
int mxGetString(const mxArray* a, char* text, mwSize size);
bool mxIsChar(const mxArray* a);
bool mxIsClass(const mxArray* a, const char* name);
bool mxIsComplex(const mxArray* a);
bool mxIsDouble(const mxArray* a);
bool mxIsNumeric(const mxArray* a);
bool mxIsSparse(const mxArray* a);
void mxSetFieldByNumber(mxArray* a, mwIndex i, int field, mxArray* value);
}
