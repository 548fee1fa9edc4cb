// Inputs of the MEX gateways (varn, varn_eop, varn_time, the state vectors):
// which numeric classes they take, their class checks, the copy of such an
// array into a private array of doubles, and text arguments.
// Inline, at file scope: each gateway is one translation unit.
#pragma once

#include "mex.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/utf8.hpp"

// True for the numeric classes whose elements copy_to_private can convert.
inline bool convertible_class(const mxArray* a) {
    switch (mxGetClassID(a)) {
        case mxDOUBLE_CLASS: case mxSINGLE_CLASS:
        case mxINT8_CLASS:   case mxUINT8_CLASS:
        case mxINT16_CLASS:  case mxUINT16_CLASS:
        case mxINT32_CLASS:  case mxUINT32_CLASS:
        case mxINT64_CLASS:  case mxUINT64_CLASS:
            return true;
        default:
            return false;
    }
}

// Identifiers and messages of the checks of one input, in check order.
struct InputErrors {
    const char *non_numeric_id, *non_numeric_msg, *complex_id, *complex_msg, *sparse_id,
        *sparse_msg, *dimension_id, *dimension_msg;
};

// The class checks of one input, in order: numeric of a class that converts,
// real, full (complex and sparse storage do not hold plain elements). The
// first that fails ends the call through the host's error call.
inline void check_class(const mxArray* a, const InputErrors& e) {
    if (!mxIsNumeric(a) || !convertible_class(a))
        mexErrMsgIdAndTxt(e.non_numeric_id, "%s", e.non_numeric_msg);
    if (mxIsComplex(a)) mexErrMsgIdAndTxt(e.complex_id, "%s", e.complex_msg);
    if (mxIsSparse(a)) mexErrMsgIdAndTxt(e.sparse_id, "%s", e.sparse_msg);
}

template <typename T>
inline void widen(const void* src, double* dst, std::size_t count) {
    const T* s = static_cast<const T*>(src);
    for (std::size_t i = 0; i < count; ++i) dst[i] = static_cast<double>(s[i]);
}

// Copy the first count elements of a real, full numeric array into a private
// array of doubles, reading each element in its own class. Single precision
// and integers up to 2^53 in magnitude convert exactly; larger 64-bit integers
// round to the nearest double, as the host's double() does.
inline void copy_to_private(const mxArray* a, double* dst, std::size_t count) {
    if (count == 0) return;
    const void* src = mxGetData(a);
    switch (mxGetClassID(a)) {
        case mxDOUBLE_CLASS: widen<double>(src, dst, count); break;
        case mxSINGLE_CLASS: widen<float>(src, dst, count); break;
        case mxINT8_CLASS:   widen<std::int8_t>(src, dst, count); break;
        case mxUINT8_CLASS:  widen<std::uint8_t>(src, dst, count); break;
        case mxINT16_CLASS:  widen<std::int16_t>(src, dst, count); break;
        case mxUINT16_CLASS: widen<std::uint16_t>(src, dst, count); break;
        case mxINT32_CLASS:  widen<std::int32_t>(src, dst, count); break;
        case mxUINT32_CLASS: widen<std::uint32_t>(src, dst, count); break;
        case mxINT64_CLASS:  widen<std::int64_t>(src, dst, count); break;
        case mxUINT64_CLASS: widen<std::uint64_t>(src, dst, count); break;
        default: break;  // excluded by convertible_class before any allocation
    }
}

// A text argument as a char row vector: the array itself, or in MATLAB a
// string scalar turned into one by char() (the host frees that temporary);
// null for anything else (an empty char array included).
inline const mxArray* text_argument(const mxArray* a) {
    mxArray* as_char = nullptr;
    if (mxIsClass(a, "string") &&
        mexCallMATLAB(1, &as_char, 1, const_cast<mxArray**>(&a), "char") == 0)
        a = as_char;
    return mxIsChar(a) && mxGetM(a) == 1 && mxGetN(a) >= 1 ? a : nullptr;
}

// The characters of a char row vector as a NUL-terminated UTF-8 text in out
// (size bytes). MATLAB's mxChar is a UTF-16 unit, encoded here (its
// mxGetString gives the user's locale encoding, not UTF-8 on Windows);
// Octave's is a byte of UTF-8 already, copied. False when the text holds a
// NUL (it would end the name early), an unpaired surrogate, or does not fit.
inline bool utf8_text(const mxArray* text, char* out, std::size_t size) {
    const mxChar* c = mxGetChars(text);
    const std::size_t n = mxGetNumberOfElements(text);
    if constexpr (sizeof(mxChar) == sizeof(char16_t)) {
        return varn::detail::utf16_to_utf8(reinterpret_cast<const char16_t*>(c), n, out, size);
    } else {
        if (n >= size || std::memchr(c, 0, n)) return false;
        std::memcpy(out, c, n);
        out[n] = '\0';
        return true;
    }
}
