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

// Under Wine a crashed program can otherwise exit with 0.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "tapeloom-sandbox: crashed (exception 0x%08lx)\n", info->ExceptionRecord->ExceptionCode);
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

void ReportCrashes() {
    SetUnhandledExceptionFilter(ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

} // namespace sandbox
