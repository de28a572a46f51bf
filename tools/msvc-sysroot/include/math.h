// Wine's math.h with what the UCRT's adds for C++: the long double forms
// (long double is double here), classification as functions instead of
// macros, and the M_ constants only on request.
#pragma once
#define frexpf _Wine_imported_frexpf
#if !defined(_USE_MATH_DEFINES) && !defined(__STRICT_ANSI__)
#define __STRICT_ANSI__
#include_next <math.h>
#undef __STRICT_ANSI__
#else
#include_next <math.h>
#endif
#undef frexpf

#undef fpclassify
#undef signbit
#undef isinf
#undef isnan
#undef isnormal
#undef isfinite
#undef copysign
#undef copysignf

typedef float float_t;
typedef double double_t;

extern "C" {
// Inline in the UCRT's header: Microsoft's ucrtbase.dll exports no frexpf on x64.
inline float __cdecl frexpf(float x, int* exponent) {
    return static_cast<float>(frexp(x, exponent));
}
_ACRTIMP double __cdecl copysign(double, double);
_ACRTIMP float __cdecl copysignf(float, float);
_ACRTIMP double __cdecl erfc(double);
_ACRTIMP float __cdecl erfcf(float);
_ACRTIMP double __cdecl fma(double, double, double);
_ACRTIMP float __cdecl fmaf(float, float, float);
_ACRTIMP double __cdecl nan(char const*);
_ACRTIMP float __cdecl nanf(char const*);
_ACRTIMP double __cdecl nexttoward(double, long double);
_ACRTIMP float __cdecl nexttowardf(float, long double);
}

extern "C++" {
#define _SYSROOT_LD1(R, name)                                                                                          \
    inline R __cdecl name##l(long double x) noexcept {                                                                 \
        return static_cast<R>(name(static_cast<double>(x)));                                                           \
    }
#define _SYSROOT_LD2(name)                                                                                             \
    inline long double __cdecl name##l(long double x, long double y) noexcept {                                        \
        return name(static_cast<double>(x), static_cast<double>(y));                                                   \
    }
// clang-format off
_SYSROOT_LD1(long double, acosh) _SYSROOT_LD1(long double, acos) _SYSROOT_LD1(long double, asinh)
_SYSROOT_LD1(long double, asin) _SYSROOT_LD1(long double, atanh) _SYSROOT_LD1(long double, atan)
_SYSROOT_LD1(long double, cbrt) _SYSROOT_LD1(long double, ceil) _SYSROOT_LD1(long double, cosh)
_SYSROOT_LD1(long double, cos) _SYSROOT_LD1(long double, erfc) _SYSROOT_LD1(long double, erf)
_SYSROOT_LD1(long double, exp2) _SYSROOT_LD1(long double, exp) _SYSROOT_LD1(long double, expm1)
_SYSROOT_LD1(long double, fabs) _SYSROOT_LD1(long double, floor) _SYSROOT_LD1(long double, lgamma)
_SYSROOT_LD1(long double, log10) _SYSROOT_LD1(long double, log1p) _SYSROOT_LD1(long double, log2)
_SYSROOT_LD1(long double, logb) _SYSROOT_LD1(long double, log) _SYSROOT_LD1(long double, nearbyint)
_SYSROOT_LD1(long double, rint) _SYSROOT_LD1(long double, round) _SYSROOT_LD1(long double, sinh)
_SYSROOT_LD1(long double, sin) _SYSROOT_LD1(long double, sqrt) _SYSROOT_LD1(long double, tanh)
_SYSROOT_LD1(long double, tan) _SYSROOT_LD1(long double, tgamma) _SYSROOT_LD1(long double, trunc)
_SYSROOT_LD1(int, ilogb) _SYSROOT_LD1(long long, llrint) _SYSROOT_LD1(long long, llround)
_SYSROOT_LD1(long, lrint) _SYSROOT_LD1(long, lround)
_SYSROOT_LD2(atan2) _SYSROOT_LD2(copysign) _SYSROOT_LD2(fdim) _SYSROOT_LD2(fmax) _SYSROOT_LD2(fmin)
_SYSROOT_LD2(fmod) _SYSROOT_LD2(hypot) _SYSROOT_LD2(nextafter) _SYSROOT_LD2(pow) _SYSROOT_LD2(remainder)
#undef _SYSROOT_LD1
#undef _SYSROOT_LD2
inline long double __cdecl fmal(long double x, long double y, long double z) noexcept {
    return fma(static_cast<double>(x), static_cast<double>(y), static_cast<double>(z));
}
inline long double __cdecl frexpl(long double x, int* exponent) noexcept {
    return frexp(static_cast<double>(x), exponent);
}
inline long double __cdecl ldexpl(long double x, int exponent) noexcept {
    return ldexp(static_cast<double>(x), exponent);
}
inline long double __cdecl modfl(long double x, long double* whole) noexcept {
    double part = 0;
    const double rest = modf(static_cast<double>(x), &part);
    *whole = part;
    return rest;
}
inline long double __cdecl nanl(char const* tag) noexcept {
    return nan(tag);
}
inline long double __cdecl nexttowardl(long double x, long double y) noexcept {
    return nexttoward(static_cast<double>(x), y);
}
inline long double __cdecl remquol(long double x, long double y, int* quotient) noexcept {
    return remquo(static_cast<double>(x), static_cast<double>(y), quotient);
}
inline long double __cdecl scalblnl(long double x, long exponent) noexcept {
    return scalbln(static_cast<double>(x), exponent);
}
inline long double __cdecl scalbnl(long double x, int exponent) noexcept {
    return scalbn(static_cast<double>(x), exponent);
}
// clang-format on

// Overloads, as the UCRT's are.
inline int fpclassify(float x) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, x);
}
inline int fpclassify(double x) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, x);
}
inline int fpclassify(long double x) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, x);
}
inline bool signbit(float x) noexcept {
    return __builtin_signbit(x);
}
inline bool signbit(double x) noexcept {
    return __builtin_signbit(x);
}
inline bool signbit(long double x) noexcept {
    return __builtin_signbit(x);
}

// Templates, as the UCRT's are: the STL adds exact overloads of its own.
template <class T> inline bool isinf(T x) noexcept {
    return __builtin_isinf(x);
}
template <class T> inline bool isnan(T x) noexcept {
    return __builtin_isnan(x);
}
template <class T> inline bool isnormal(T x) noexcept {
    return __builtin_isnormal(x);
}
template <class T> inline bool isfinite(T x) noexcept {
    return __builtin_isfinite(x);
}
template <class T, class U> inline bool isgreater(T x, U y) noexcept {
    return __builtin_isgreater(x, y);
}
template <class T, class U> inline bool isgreaterequal(T x, U y) noexcept {
    return __builtin_isgreaterequal(x, y);
}
template <class T, class U> inline bool isless(T x, U y) noexcept {
    return __builtin_isless(x, y);
}
template <class T, class U> inline bool islessequal(T x, U y) noexcept {
    return __builtin_islessequal(x, y);
}
template <class T, class U> inline bool islessgreater(T x, U y) noexcept {
    return __builtin_islessgreater(x, y);
}
template <class T, class U> inline bool isunordered(T x, U y) noexcept {
    return __builtin_isunordered(x, y);
}
}
