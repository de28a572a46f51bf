// The Visual C++ runtime's base header, as the Microsoft STL expects it: its
// macros and basic types, over Wine's C runtime headers.
#pragma once
#include <corecrt.h>
#include <vadefs.h>

#define _CRT_PACKING 8
#define _CRT_STRINGIZE_(x) #x
#define _CRT_STRINGIZE(x) _CRT_STRINGIZE_(x)
#define _CRT_WIDE_(s) L##s
#define _CRT_WIDE(s) _CRT_WIDE_(s)
#define _CRT_CONCATENATE_(a, b) a##b
#define _CRT_CONCATENATE(a, b) _CRT_CONCATENATE_(a, b)
#define _CRT_UNPARENTHESIZE_(...) __VA_ARGS__
#define _CRT_UNPARENTHESIZE(...) _CRT_UNPARENTHESIZE_ __VA_ARGS__
#define _CRT_BEGIN_C_HEADER __pragma(pack(push, _CRT_PACKING)) extern "C" {
#define _CRT_END_C_HEADER                                                                                              \
    }                                                                                                                  \
    __pragma(pack(pop))
#define _CRT_GUARDOVERFLOW
#define _PGLOBAL
#define _AGLOBAL
#define _CRT_UNUSED(x) (void)x
#define _CRT_DEPRECATE_TEXT(text) __declspec(deprecated(text))
#define _CRT_INSECURE_DEPRECATE(replacement)                                                                           \
    _CRT_DEPRECATE_TEXT("This function or variable may be unsafe. Consider using " #replacement                        \
                        " instead. To disable deprecation, use _CRT_SECURE_NO_WARNINGS.")

#define _VCRTIMP __declspec(dllimport)
#define _VCRT_NOALIAS __declspec(noalias)
#define _VCRT_RESTRICT __declspec(restrict)
#define _VCRT_ALLOCATOR __declspec(allocator)
#define _VCRT_ALIGN(x) __declspec(align(x))
// cl.exe's [[msvc::constexpr]]; clang has no such attribute.
#define _MSVC_CONSTEXPR
#define __CRTDECL __cdecl
#define __CLRCALL_PURE_OR_CDECL __cdecl
#define __CLRCALL_OR_CDECL __cdecl
#define __CLR_OR_THIS_CALL
#define _CRTIMP2 __declspec(dllimport)
#define _MRTIMP2 __declspec(dllimport)
// msvcp140's later additions live in satellite DLLs.
#define _CRT_SATELLITE_1 __declspec(dllimport)
#define _CRT_SATELLITE_2 __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS_NOIMPORT

#ifndef _HAS_EXCEPTIONS
#define _HAS_EXCEPTIONS 1
#endif
#ifndef _HAS_NODISCARD
#define _HAS_NODISCARD 1
#endif
#if _HAS_NODISCARD
#define _NODISCARD [[nodiscard]]
#else
#define _NODISCARD
#endif

#ifdef _MSVC_LANG
#define _STL_LANG _MSVC_LANG
#else
#define _STL_LANG __cplusplus
#endif
#ifndef _HAS_CXX17
#define _HAS_CXX17 (_STL_LANG > 201402L)
#endif
#ifndef _HAS_CXX20
#define _HAS_CXX20 (_HAS_CXX17 && _STL_LANG > 201703L)
#endif
#ifndef _HAS_CXX23
#define _HAS_CXX23 (_HAS_CXX20 && _STL_LANG > 202002L)
#endif

typedef bool __vcrt_bool;

#ifdef __cplusplus
namespace std {
typedef decltype(__nullptr) nullptr_t;
}
using ::std::nullptr_t;
extern "C++" template <typename T, size_t N> char (*__countof_helper(T (&)[N]))[N];
#define __crt_countof(array) (sizeof(*__countof_helper(array)) + 0)
#else
#define __crt_countof(array) (sizeof(array) / sizeof(array[0]))
#endif
#ifndef _countof
#define _countof __crt_countof
#endif

extern "C" {
_ACRTIMP __declspec(noreturn) void __cdecl _invoke_watson(wchar_t const* expression, wchar_t const* function,
                                                          wchar_t const* file, unsigned int line, uintptr_t reserved);
extern uintptr_t __security_cookie;
void __cdecl __security_init_cookie(void);
void __cdecl __security_check_cookie(uintptr_t cookie);
__declspec(noreturn) void __cdecl __report_gsfailure(uintptr_t cookie);
}
