// A DLL whose static objects and atexit function say when they run, and
// which throws across the boundary on request.
#include <windows.h>

#include <cstdlib>

#include "probe.h"

namespace {
void Log(const char* event) {
    const auto log = GetProcAddress(GetModuleHandleW(nullptr), "ProbeLogEvent");
    reinterpret_cast<ProbeLog>(reinterpret_cast<void*>(log))(event);
}

struct Recorder {
    Recorder(const char* built, const char* destroyed) : destroyed(destroyed) { Log(built); }
    ~Recorder() { Log(destroyed); }
    const char* destroyed;
};

Recorder first("+A", "-A");
Recorder second("+B", "-B");
const int registered = std::atexit([] { Log("atexit"); });
} // namespace

// C++ linkage: under /EHsc a C function is taken never to throw.
__declspec(dllexport) void ProbeThrow() {
    throw ProbeError("thrown in the DLL");
}
