// Wine's locale.h with the UCRT's code page query.
#pragma once
#include_next <locale.h>

extern "C" _ACRTIMP unsigned int __cdecl ___lc_codepage_func(void);
