// A stand-in MATLAB for the Windows plug-ins, run under wine: the MEX API of
// mex.h over plain arrays (MATLAB's UTF-16 characters), and a host that loads
// the plug-ins and calls them. One file built three ways:
//   -DSTANDIN_MX   libmx.dll   (the mx* functions)
//   -DSTANDIN_MEX  libmex.dll  (the mex* functions; an error ends the process)
//   neither        mex_host.exe <folder of the .mexw64> <reference file> <EOP file>
// The host wants varn's 18 outputs on the reference batch bit for bit (the
// outputs of the Windows build of the library, varn_reference_dump), and
// varn_eop to read an EOP file through a name outside ASCII (UTF-16 from the
// host, the library's UTF-8, the wide API): the value of its first node.
#include "mex.h"

#include <windows.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

struct mxArray_tag {
    mxClassID id;
    std::size_t m, n;
    std::vector<double> real;
    std::vector<mxChar> chars;
    std::vector<unsigned char> logicals;  // one byte per mxLogical
    std::vector<mxArray*> fields;
};

extern "C" {
#if defined(STANDIN_MX)

static mxArray* make(mxClassID id, std::size_t m, std::size_t n) {
    mxArray* a = new mxArray{id, m, n, {}, {}, {}, {}};
    if (id == mxDOUBLE_CLASS) a->real.assign(m * n, 0.0);
    if (id == mxLOGICAL_CLASS) a->logicals.assign(m * n, 0);
    return a;
}
mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity) { return make(mxDOUBLE_CLASS, m, n); }
mxArray* mxCreateDoubleScalar(double v) {
    mxArray* a = make(mxDOUBLE_CLASS, 1, 1);
    a->real[0] = v;
    return a;
}
mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n) { return make(mxLOGICAL_CLASS, m, n); }
mxArray* mxCreateString(const char* s) {  // ASCII is all the plug-ins create
    mxArray* a = make(mxCHAR_CLASS, 1, std::strlen(s));
    a->chars.assign(s, s + std::strlen(s));
    return a;
}
mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char**) {
    mxArray* a = make(mxSTRUCT_CLASS, m, n);
    a->fields.assign(nfields, nullptr);
    return a;
}
void mxDestroyArray(mxArray* a) {
    if (!a) return;
    for (mxArray* f : a->fields) mxDestroyArray(f);
    delete a;
}
mxChar* mxGetChars(const mxArray* a) { return const_cast<mxChar*>(a->chars.data()); }
mxClassID mxGetClassID(const mxArray* a) { return a->id; }
void* mxGetData(const mxArray* a) { return const_cast<double*>(a->real.data()); }
mxLogical* mxGetLogicals(const mxArray* a) {
    return reinterpret_cast<mxLogical*>(const_cast<unsigned char*>(a->logicals.data()));
}
std::size_t mxGetM(const mxArray* a) { return a->m; }
std::size_t mxGetN(const mxArray* a) { return a->n; }
std::size_t mxGetNumberOfElements(const mxArray* a) { return a->m * a->n; }
mwSize mxGetNumberOfDimensions(const mxArray*) { return 2; }
double* mxGetPr(const mxArray* a) { return const_cast<double*>(a->real.data()); }
double mxGetScalar(const mxArray* a) { return a->real.empty() ? 0.0 : a->real[0]; }
int mxGetString(const mxArray* a, char* text, mwSize size) {  // ASCII, as MATLAB's for it
    std::size_t k = 0;
    for (; k < a->chars.size() && k + 1 < size; ++k) text[k] = static_cast<char>(a->chars[k]);
    if (size > 0) text[k] = '\0';
    return k == a->chars.size() ? 0 : 1;
}
bool mxIsChar(const mxArray* a) { return a->id == mxCHAR_CLASS; }
bool mxIsClass(const mxArray* a, const char* name) {
    return std::strcmp(name, "double") == 0 ? a->id == mxDOUBLE_CLASS
                                           : std::strcmp(name, "char") == 0 && a->id == mxCHAR_CLASS;
}
bool mxIsComplex(const mxArray*) { return false; }
bool mxIsDouble(const mxArray* a) { return a->id == mxDOUBLE_CLASS; }
bool mxIsNumeric(const mxArray* a) { return a->id >= mxDOUBLE_CLASS && a->id <= mxUINT64_CLASS; }
bool mxIsSparse(const mxArray*) { return false; }
void mxSetFieldByNumber(mxArray* a, mwIndex, int field, mxArray* value) {
    mxDestroyArray(a->fields[field]);
    a->fields[field] = value;
}

#elif defined(STANDIN_MEX)

void mexErrMsgIdAndTxt(const char* id, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("FAIL: error %s: ", id);
    std::vprintf(format, args);
    std::printf("\n");
    va_end(args);
    std::fflush(stdout);
    ExitProcess(3);
}
void mexWarnMsgIdAndTxt(const char* id, const char*, ...) { std::printf("warning %s\n", id); }
int mexAtExit(void (*)(void)) { return 0; }
int mexCallMATLAB(int, mxArray*[], int, mxArray*[], const char*) { return 1; }
// maxNumCompThreads fails: the plug-in takes its default thread count.
mxArray* mexCallMATLABWithTrap(int, mxArray*[], int, mxArray*[], const char*) {
    return mxCreateDoubleScalar(0.0);
}

#endif
}  // extern "C"

#if !defined(STANDIN_MX) && !defined(STANDIN_MEX)

using Gateway = void (*)(int, mxArray*[], int, const mxArray*[]);

static Gateway load(const std::string& folder, const char* name) {
    const std::string file = folder + "\\" + name + ".mexw64";
    HMODULE h = LoadLibraryA(file.c_str());
    FARPROC entry = h ? GetProcAddress(h, "mexFunction") : nullptr;
    if (!entry) std::printf("FAIL: cannot load %s (error %lu)\n", file.c_str(), GetLastError());
    return reinterpret_cast<Gateway>(reinterpret_cast<void*>(entry));
}

static mxArray* column(const std::vector<double>& v, std::size_t at, std::size_t n, std::size_t cols) {
    mxArray* a = mxCreateDoubleMatrix(n, cols, mxREAL);
    std::memcpy(mxGetPr(a), v.data() + at, n * cols * sizeof(double));
    return a;
}

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    Gateway varn = load(argv[1], "varn"), varn_eop = load(argv[1], "varn_eop");
    std::FILE* f = std::fopen(argv[2], "rb");
    if (!varn || !varn_eop || !f) return 1;
    std::vector<double> ref(1 << 22);
    ref.resize(std::fread(ref.data(), sizeof(double), ref.size(), f));
    std::fclose(f);
    const std::size_t n = static_cast<std::size_t>(ref.at(0));
    const int cols[18] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};

    // varn on the batch: tt (n x 2), xp, yp, dX, dY, DUT, then every output.
    const mxArray* in[6] = {column(ref, 1, n, 2)};
    for (int k = 1; k < 6; ++k) in[k] = column(ref, 1 + (k + 1) * n, n, 1);
    mxArray* out[18] = {};
    varn(18, out, 6, in);
    std::size_t at = 1 + 7 * n, differing = 0;
    for (int k = 0; k < 18; ++k) {
        differing += std::memcmp(mxGetPr(out[k]), ref.data() + at, cols[k] * n * sizeof(double)) != 0;
        at += cols[k] * n;
    }
    std::printf("varn.mexw64: %zu of 18 outputs differ from the library's on %zu epochs\n", differing, n);

    // varn_eop through a name of 2-, 3- and 4-byte UTF-8 characters.
    const std::u16string name = u"varn_eop_\u00e9\u6771\U0001F30D.txt";
    if (!CopyFileW(std::wstring(argv[3], argv[3] + std::strlen(argv[3])).c_str(),
                   reinterpret_cast<const wchar_t*>(name.c_str()), FALSE))
        return std::printf("FAIL: cannot copy the EOP file\n"), 1;
    mxArray* file = mxCreateString("");
    file->chars.assign(name.begin(), name.end());
    file->n = name.size();
    const double tt_node[2] = {57756.0, 69.184};  // 2017-01-03 0h UTC
    mxArray* tt = mxCreateDoubleMatrix(1, 2, mxREAL);
    std::memcpy(mxGetPr(tt), tt_node, sizeof tt_node);
    const mxArray* eop_in[2] = {file, tt};
    mxArray* eop = nullptr;
    varn_eop(1, &eop, 2, eop_in);
    DeleteFileW(reinterpret_cast<const wchar_t*>(name.c_str()));
    const double xp = *mxGetPr(eop->fields[0]);  // the file's node: 0.080325"
    std::printf("varn_eop.mexw64: xp %.9f at the node, from a file named outside ASCII\n", xp);
    return differing == 0 && std::fabs(xp - 0.080325) < 1e-11 ? 0 : 1;
}

#endif
