// The entry point of a console program: the UCRT's argument and environment
// set-up, the init tables, main, then exit, which runs the atexit table.
#include <stdlib.h>

#include "runtime.h"

extern "C" {
__declspec(dllimport) void __cdecl _set_app_type(int);
__declspec(dllimport) int __cdecl _configure_narrow_argv(int);
__declspec(dllimport) int __cdecl _initialize_narrow_environment(void);
__declspec(dllimport) int* __cdecl __p___argc(void);
__declspec(dllimport) char*** __p___argv(void);
}

int main(int argc, char** argv);

namespace {
constexpr int consoleApp = 1;
constexpr int unexpandedArguments = 1;
} // namespace

extern "C" int mainCRTStartup() {
    __security_init_cookie();
    _set_app_type(consoleApp);
    if (_configure_narrow_argv(unexpandedArguments) != 0 || _initialize_narrow_environment() != 0 ||
        !msvc_runtime::RunInitializers()) {
        exit(255);
    }
    exit(main(*__p___argc(), *__p___argv()));
}
