// Functions of Microsoft's static msvcprt.lib, and those Wine 8 exports only as
// stubs that fail when called. Built with _CRTIMP2_PURE empty, so that the
// STL's declarations are not imports here.
#include <functional>
#include <stdexcept>
#include <system_error>
#include <xthreads.h>

#include <windows.h>

namespace {
constexpr int timeUtc = 1;
}

// The UCRT's struct timespec, under the name the STL gives it.
struct _timespec64 {
    long long tv_sec;
    long tv_nsec;
};

extern "C" {
__declspec(dllimport) int __cdecl xtime_get(_timespec64*, int) noexcept;
__declspec(dllimport) _Thrd_result __cdecl _Cnd_timedwait(_Cnd_t, _Mtx_t, const _timespec64*) noexcept;

// Microsoft's version waits on msvcp140's internal mutex layout, which Wine's
// reimplementation does not share: a notified wait was never woken. This goes
// through the exported wait with an absolute time instead.
_Thrd_result __stdcall _Cnd_timedwait_for_unchecked(_Cnd_t condition, _Mtx_t mutex,
                                                    unsigned int milliseconds) noexcept {
    _timespec64 target;
    xtime_get(&target, timeUtc);
    const long long nanoseconds = target.tv_nsec + static_cast<long long>(milliseconds % 1000) * 1000000;
    target.tv_sec += milliseconds / 1000 + nanoseconds / 1000000000;
    target.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    return _Cnd_timedwait(condition, mutex, &target);
}

void __stdcall _Thrd_sleep_for(unsigned long milliseconds) noexcept {
    Sleep(milliseconds);
}
}

namespace std {
[[noreturn]] void __cdecl _Xbad_function_call() {
    throw bad_function_call();
}

[[noreturn]] void __cdecl _Xoverflow_error(const char* message) {
    throw overflow_error(message);
}

// The codes' order is the one <xthreads.h> numbers them in.
[[noreturn]] void __cdecl _Throw_Cpp_error(int code) {
    static constexpr errc codes[] = {errc::device_or_resource_busy,
                                     errc::invalid_argument,
                                     errc::no_such_process,
                                     errc::not_enough_memory,
                                     errc::operation_not_permitted,
                                     errc::resource_deadlock_would_occur,
                                     errc::resource_unavailable_try_again};
    throw system_error(make_error_code(codes[code]));
}
} // namespace std
