// Wine's stdio.h with the UCRT's v*scanf family, the stream buffer access the STL's filebuf uses, and its deprecation
// marks.
#pragma once
#include_next <stdio.h>

extern "C" {
_ACRTIMP int __cdecl vfscanf(FILE*, char const*, va_list);
_ACRTIMP int __cdecl vscanf(char const*, va_list);
_ACRTIMP int __cdecl vsscanf(char const*, char const*, va_list);
_ACRTIMP errno_t __cdecl _get_stream_buffer_pointers(FILE*, char***, char***, int**);
_CRT_INSECURE_DEPRECATE(fopen_s) _ACRTIMP FILE* __cdecl fopen(char const*, char const*);
_CRT_INSECURE_DEPRECATE(sprintf_s) int __cdecl sprintf(char*, char const*, ...);
_CRT_INSECURE_DEPRECATE(vsprintf_s) int __cdecl vsprintf(char*, char const*, va_list);
_CRT_INSECURE_DEPRECATE(sscanf_s) int __cdecl sscanf(char const*, char const*, ...);
}

// The UCRT's stdio.h brings the multibyte state type.
#include <wchar.h>
