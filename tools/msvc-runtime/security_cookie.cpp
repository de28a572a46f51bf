// The /GS cookie: a per-process value every protected frame copies and
// checks before returning. This file itself must be built without /GS.
#include <windows.h>

#include "runtime.h"

extern "C" {
// cl.exe's default: a cookie still equal to it was never initialised.
UINT_PTR __security_cookie = 0x00002B992DDFA232;
UINT_PTR __security_cookie_complement = ~static_cast<UINT_PTR>(0x00002B992DDFA232);

void __cdecl __security_init_cookie() {
    if (__security_cookie != 0x00002B992DDFA232) {
        return;
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    UINT_PTR cookie = static_cast<UINT_PTR>(counter.QuadPart) ^ (static_cast<UINT_PTR>(time.dwHighDateTime) << 32) ^
                      time.dwLowDateTime ^ (static_cast<UINT_PTR>(GetCurrentProcessId()) << 16) ^ GetCurrentThreadId() ^
                      reinterpret_cast<UINT_PTR>(&cookie);
    cookie &= 0x0000FFFFFFFFFFFF;
    if (cookie == 0x00002B992DDFA232 || cookie == 0) {
        cookie = 0x00002B992DDFA233;
    }
    __security_cookie = cookie;
    __security_cookie_complement = ~cookie;
}

void __cdecl __security_check_cookie(UINT_PTR cookie) {
    if (cookie != __security_cookie) {
        __fastfail(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE);
    }
}
}
