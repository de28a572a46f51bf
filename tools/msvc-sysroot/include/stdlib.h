// Wine's stdlib.h with what the UCRT's adds: quick_exit, _wputenv_s, _set_abort_behavior, abs and div for long and long
// long, and the deprecation marks that make C4996 show as it would.
#pragma once
#include <errno.h>
// atexit and _onexit are the module's own in the UCRT (a DLL's run at its
// unload), defined by the static runtime, not imported as Wine declares them.
#define atexit _Wine_imported_atexit
#define _onexit _Wine_imported_onexit
#include_next <stdlib.h>
#undef atexit
#undef _onexit

extern "C" {
int __cdecl atexit(void(__cdecl*)(void));
_onexit_t __cdecl _onexit(_onexit_t);
_ACRTIMP int __cdecl at_quick_exit(void(__cdecl*)(void));
_ACRTIMP __declspec(noreturn) void __cdecl quick_exit(int);
_ACRTIMP unsigned int __cdecl _set_abort_behavior(unsigned int, unsigned int);
_ACRTIMP errno_t __cdecl _wputenv_s(wchar_t const*, wchar_t const*);
_CRT_INSECURE_DEPRECATE(_dupenv_s) _ACRTIMP char* __cdecl getenv(char const*);
_CRT_INSECURE_DEPRECATE(_wdupenv_s) _ACRTIMP wchar_t* __cdecl _wgetenv(wchar_t const*);
_CRT_INSECURE_DEPRECATE(mbstowcs_s) _ACRTIMP size_t __cdecl mbstowcs(wchar_t*, char const*, size_t);
_CRT_INSECURE_DEPRECATE(wcstombs_s) _ACRTIMP size_t __cdecl wcstombs(char*, wchar_t const*, size_t);
}

extern "C++" {
inline long __cdecl abs(long x) noexcept {
    return labs(x);
}
inline long long __cdecl abs(long long x) noexcept {
    return llabs(x);
}
inline ldiv_t __cdecl div(long x, long y) noexcept {
    return ldiv(x, y);
}
inline lldiv_t __cdecl div(long long x, long long y) noexcept {
    return lldiv(x, y);
}
}
