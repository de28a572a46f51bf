#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include "harness/process.h"

namespace sandbox {

bool SetEnvironmentPath(const char* name, const std::filesystem::path& value) {
    // The wide call keeps a path that the ANSI code page cannot spell; the C
    // runtime updates its narrow copy, which getenv reads, from it.
    std::wstring wideName(name, name + std::char_traits<char>::length(name));
    return _wputenv_s(wideName.c_str(), value.c_str()) == 0;
}

namespace {

// Under Wine a crashed program can otherwise exit with 0. Where it crashed, as
// module and offset, says whose code it was without a debugger at hand; an
// address in no module is often code that was unloaded under a running thread.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    auto* address = static_cast<char*>(record.ExceptionAddress);
    char where[MAX_PATH + 64];
    HMODULE owner = nullptr;
    char module[MAX_PATH];
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           address, &owner) &&
        GetModuleFileNameA(owner, module, MAX_PATH) != 0)
        std::snprintf(where, sizeof where, "%s+0x%llx", module,
                      static_cast<unsigned long long>(address - reinterpret_cast<char*>(owner)));
    else
        std::snprintf(where, sizeof where, "%p, in no loaded module", static_cast<void*>(address));
    char access[64] = "";
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        const ULONG_PTR kind = record.ExceptionInformation[0];
        std::snprintf(access, sizeof access, ", %s 0x%llx",
                      kind == 0   ? "reading"
                      : kind == 1 ? "writing"
                                  : "executing",
                      static_cast<unsigned long long>(record.ExceptionInformation[1]));
    }
    std::fprintf(stderr, "tapeloom-sandbox: crashed (exception 0x%08lx at %s%s)\n", record.ExceptionCode, where,
                 access);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

std::FILE* OpenForWriting(const std::filesystem::path& file) {
    std::FILE* out = nullptr;
    if (errno_t code = _wfopen_s(&out, file.c_str(), L"wb"); code != 0) {
        errno = code;
        return nullptr;
    }
    return out;
}

void KeepLibrariesLoaded(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        HMODULE pinned = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, name, &pinned);
    }
}

void ReportCrashes() {
    SetUnhandledExceptionFilter(ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

} // namespace sandbox
