// Wine's wchar.h with what the UCRT's adds. Wine's mbstate_t is an int; the
// UCRT's is an 8-byte struct, and msvcp140 exports names mangled with it
// (codecvt<char, char, _Mbstatet>). Wine's own declarations keep the int
// under another name; nothing here calls them.
#pragma once

typedef struct _Mbstatet {
    unsigned long _Wchar;
    unsigned short _Byte;
    unsigned short _State;
} _Mbstatet;

#define mbstate_t _Wine_int_mbstate_t
#include_next <wchar.h>
#undef mbstate_t
typedef _Mbstatet mbstate_t;

extern "C" {
_ACRTIMP int __cdecl fwide(FILE*, int);
_ACRTIMP int __cdecl mbsinit(mbstate_t const*);
_ACRTIMP int __cdecl vfwscanf(FILE*, wchar_t const*, va_list);
_ACRTIMP int __cdecl vswscanf(wchar_t const*, wchar_t const*, va_list);
_ACRTIMP int __cdecl vwscanf(wchar_t const*, va_list);
_ACRTIMP long double __cdecl wcstold(wchar_t const*, wchar_t**);
}
