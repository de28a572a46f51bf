// Wine's eh.h with the UCRT's getters for the terminate and unexpected handlers.
#pragma once
#include_next <eh.h>

extern "C" {
_ACRTIMP terminate_handler __cdecl _get_terminate(void);
_ACRTIMP unexpected_handler __cdecl _get_unexpected(void);
}
