// atexit for both kinds of module. The compiler registers every static
// object's destructor here. A DLL's must run when that DLL is unloaded, not at
// process exit after the library is gone, so a DLL keeps its own table.
#include "runtime.h"

namespace {
_onexit_table_t moduleTable;
bool ownTable = false;
} // namespace

bool msvc_runtime::BeginModuleTable() {
    ownTable = true;
    return _initialize_onexit_table(&moduleTable) == 0;
}

void msvc_runtime::EndModuleTable() {
    _execute_onexit_table(&moduleTable);
}

extern "C" _onexit_t __cdecl _onexit(_onexit_t function) {
    const int failed =
        ownTable ? _register_onexit_function(&moduleTable, function) : _crt_atexit(reinterpret_cast<_PVFV>(function));
    return failed ? nullptr : function;
}

extern "C" int __cdecl atexit(_PVFV function) {
    return _onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1;
}
