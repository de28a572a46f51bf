// The entry point of a DLL: its static objects are built at load and
// destroyed at unload, in reverse order, through the DLL's own atexit table.
#include <windows.h>

#include "runtime.h"

extern "C" {
struct alignas(16) __type_info_node {
    void* memory;
    __type_info_node* next;
};
__declspec(dllimport) void __cdecl __std_type_info_destroy_list(__type_info_node*);
extern __type_info_node __type_info_root_node;

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);
// A DLL without its own DllMain gets this one.
BOOL WINAPI msvc_runtime_DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
}
#pragma comment(linker, "/alternatename:DllMain=msvc_runtime_DllMain")

extern "C" BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        __security_init_cookie();
        if (!msvc_runtime::BeginModuleTable() || !msvc_runtime::RunInitializers()) {
            return FALSE;
        }
    }
    const BOOL result = DllMain(instance, reason, reserved);
    if (reason == DLL_PROCESS_DETACH || (reason == DLL_PROCESS_ATTACH && !result)) {
        msvc_runtime::EndModuleTable();
        __std_type_info_destroy_list(&__type_info_root_node);
    }
    return result;
}
