// What the stand-in's pieces share: the UCRT's startup exports they call and
// the init tables the linker sorts into .CRT.
#pragma once

extern "C" {
typedef void(__cdecl* _PVFV)(void);
typedef int(__cdecl* _PIFV)(void);
typedef int(__cdecl* _onexit_t)(void);
struct _onexit_table_t {
    _PVFV* _first;
    _PVFV* _last;
    _PVFV* _end;
};

__declspec(dllimport) void __cdecl _initterm(_PVFV*, _PVFV*);
__declspec(dllimport) int __cdecl _initterm_e(_PIFV*, _PIFV*);
__declspec(dllimport) int __cdecl _initialize_onexit_table(_onexit_table_t*);
__declspec(dllimport) int __cdecl _register_onexit_function(_onexit_table_t*, _onexit_t);
__declspec(dllimport) int __cdecl _execute_onexit_table(_onexit_table_t*);
__declspec(dllimport) int __cdecl _crt_atexit(_PVFV);

extern const _PIFV __xi_a[], __xi_z[];
extern const _PVFV __xc_a[], __xc_z[];

void __cdecl __security_init_cookie(void);
}

namespace msvc_runtime {
// C initialisers, then C++ constructors; false when a C initialiser fails.
bool RunInitializers();
// A DLL keeps its own atexit table, run at its unload; an EXE uses the UCRT's.
bool BeginModuleTable();
void EndModuleTable();
} // namespace msvc_runtime
