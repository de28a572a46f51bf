#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>

#include <cstdio>

namespace {
// Under Wine a crashed program can exit with 0; make a crash a failure.
LONG WINAPI FailOnCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "unhandled exception 0x%08lx\n", info->ExceptionRecord->ExceptionCode);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
} // namespace
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    SetUnhandledExceptionFilter(FailOnCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
