// What vcruntime140.dll leaves to the static library: the virtual table every
// type descriptor points at, and the list head type_info::name() caches its
// undecorated names in.
#include "runtime.h"

extern "C" {
struct alignas(16) __type_info_node {
    void* memory;
    __type_info_node* next;
};
__type_info_node __type_info_root_node{};
}

namespace {
// Type descriptors are never deleted; the slot only has to exist.
void* __cdecl DeletingDestructor(void* self, unsigned) {
    return self;
}
} // namespace

extern "C" const void* const msvc_runtime_type_info_vftable[] = {reinterpret_cast<const void*>(&DeletingDestructor)};
#pragma comment(linker, "/alternatename:??_7type_info@@6B@=msvc_runtime_type_info_vftable")
