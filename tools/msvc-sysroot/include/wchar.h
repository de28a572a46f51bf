// Wine's wchar.h with what the UCRT's adds. Wine's mbstate_t is an int, the
// UCRT's an 8-byte struct: the STL only names it, so a syntax check passes.
#pragma once
#include_next <wchar.h>

typedef mbstate_t _Mbstatet;

extern "C" {
_ACRTIMP int __cdecl fwide(FILE*, int);
_ACRTIMP int __cdecl mbsinit(mbstate_t const*);
_ACRTIMP int __cdecl vfwscanf(FILE*, wchar_t const*, va_list);
_ACRTIMP int __cdecl vswscanf(wchar_t const*, wchar_t const*, va_list);
_ACRTIMP int __cdecl vwscanf(wchar_t const*, va_list);
_ACRTIMP long double __cdecl wcstold(wchar_t const*, wchar_t**);
}
