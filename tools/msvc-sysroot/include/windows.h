// Wine's windows.h made to read as the Windows SDK's does under cl.exe.
#pragma once
// WCHAR is wchar_t on Windows; Wine makes it char16_t unless told otherwise.
#ifndef WINE_UNICODE_NATIVE
#define WINE_UNICODE_NATIVE
#endif
// winnt.h defines a function of this name, which clang already has as a builtin.
#define _InterlockedCompareExchange128 _Wine_InterlockedCompareExchange128
#include_next <windows.h>
#undef _InterlockedCompareExchange128
// windef.h defines `inline` as a macro under _MSC_VER, even in C++.
#undef inline
