// The UCRT's eh.h, in place of Wine's: Wine declares terminate() and the
// handler setters as C++ functions, which would import mangled names that no
// runtime DLL exports. Here they have C linkage, as in the UCRT.
#pragma once
#define __WINE_EH_H
#include <corecrt.h>

struct _EXCEPTION_POINTERS;

extern "C" {
typedef void(__cdecl* terminate_handler)(void);
typedef void(__cdecl* terminate_function)(void);
typedef void(__cdecl* unexpected_handler)(void);
typedef void(__cdecl* unexpected_function)(void);
typedef void(__cdecl* _se_translator_function)(unsigned int, struct _EXCEPTION_POINTERS*);

_ACRTIMP terminate_handler __cdecl set_terminate(terminate_handler);
_ACRTIMP terminate_handler __cdecl _get_terminate(void);
_ACRTIMP __declspec(noreturn) void __cdecl terminate(void) throw();
_VCRTIMP unexpected_handler __cdecl set_unexpected(unexpected_handler);
_VCRTIMP unexpected_handler __cdecl _get_unexpected(void);
_VCRTIMP __declspec(noreturn) void __cdecl unexpected(void);
_VCRTIMP _se_translator_function __cdecl _set_se_translator(_se_translator_function);
}
