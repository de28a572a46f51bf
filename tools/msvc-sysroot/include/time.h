// Wine's time.h with the UCRT's timespec_get, localtime_s and its deprecation marks.
#pragma once
#include_next <time.h>

#define TIME_UTC 1
struct timespec {
    time_t tv_sec;
    long tv_nsec;
};

extern "C" {
_ACRTIMP int __cdecl timespec_get(struct timespec*, int);
_CRT_INSECURE_DEPRECATE(localtime_s) _ACRTIMP struct tm* __cdecl localtime(time_t const*);
_CRT_INSECURE_DEPRECATE(gmtime_s) _ACRTIMP struct tm* __cdecl gmtime(time_t const*);
_CRT_INSECURE_DEPRECATE(ctime_s) _ACRTIMP char* __cdecl ctime(time_t const*);
}

extern "C++" inline errno_t __cdecl localtime_s(struct tm* result, time_t const* time) {
    return _localtime64_s(result, time);
}
