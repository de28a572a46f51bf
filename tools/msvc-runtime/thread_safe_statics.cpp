// Thread-safe initialisation of function-local statics, by the protocol the
// compiler emits: a guard at 0 is not initialised, -1 is being initialised,
// anything else is the epoch at which it was. A thread whose own epoch is at
// least the guard's skips the call here entirely.
#include <windows.h>

#include <climits>

extern "C" {
int _Init_global_epoch = INT_MIN;
__declspec(thread) int _Init_thread_epoch = INT_MIN;
}

namespace {
constexpr int uninitialized = 0;
constexpr int beingInitialized = -1;
SRWLOCK lock = SRWLOCK_INIT;
CONDITION_VARIABLE initialized = CONDITION_VARIABLE_INIT;
} // namespace

extern "C" void __cdecl _Init_thread_header(int* guard) noexcept {
    AcquireSRWLockExclusive(&lock);
    while (*guard == beingInitialized) {
        SleepConditionVariableSRW(&initialized, &lock, INFINITE, 0);
    }
    if (*guard == uninitialized) {
        *guard = beingInitialized;
    } else {
        _Init_thread_epoch = _Init_global_epoch;
    }
    ReleaseSRWLockExclusive(&lock);
}

extern "C" void __cdecl _Init_thread_footer(int* guard) noexcept {
    AcquireSRWLockExclusive(&lock);
    ++_Init_global_epoch;
    *guard = _Init_global_epoch;
    _Init_thread_epoch = _Init_global_epoch;
    ReleaseSRWLockExclusive(&lock);
    WakeAllConditionVariable(&initialized);
}

// The initialiser threw: the next caller tries again.
extern "C" void __cdecl _Init_thread_abort(int* guard) noexcept {
    AcquireSRWLockExclusive(&lock);
    *guard = uninitialized;
    ReleaseSRWLockExclusive(&lock);
    WakeAllConditionVariable(&initialized);
}
