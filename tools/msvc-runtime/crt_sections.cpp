// The bounds of the init tables. The compiler puts each constructor's pointer
// in .CRT$XCU; the linker sorts the .CRT$X?? pieces by name, so these bound them.
#include "runtime.h"

#pragma section(".CRT$XIA", long, read)
#pragma section(".CRT$XIZ", long, read)
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)

extern "C" {
__declspec(allocate(".CRT$XIA")) const _PIFV __xi_a[] = {nullptr};
__declspec(allocate(".CRT$XIZ")) const _PIFV __xi_z[] = {nullptr};
__declspec(allocate(".CRT$XCA")) const _PVFV __xc_a[] = {nullptr};
__declspec(allocate(".CRT$XCZ")) const _PVFV __xc_z[] = {nullptr};

// Its presence tells the linker that floating point is used; the value is the one cl.exe expects.
int _fltused = 0x9875;
}

bool msvc_runtime::RunInitializers() {
    if (_initterm_e(const_cast<_PIFV*>(__xi_a), const_cast<_PIFV*>(__xi_z)) != 0) {
        return false;
    }
    _initterm(const_cast<_PVFV*>(__xc_a), const_cast<_PVFV*>(__xc_z));
    return true;
}

// Always linked, so that the allocation functions' defaults are there to fall back on.
#pragma comment(linker, "/include:msvc_runtime_new")
// The headers declare these as imports, and an import's name does not pull a
// library member that defines the function itself: name them here instead.
#pragma comment(linker, "/include:_invoke_watson")
#pragma comment(linker, "/include:?_Xbad_function_call@std@@YAXXZ")
#pragma comment(linker, "/include:?_Xoverflow_error@std@@YAXPEBD@Z")
#pragma comment(linker, "/include:?_Throw_Cpp_error@std@@YAXH@Z")
// The compiler names type_info's virtual table directly, through /alternatename.
#pragma comment(linker, "/include:msvc_runtime_type_info_vftable")
