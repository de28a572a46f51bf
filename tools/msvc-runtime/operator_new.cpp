// The replaceable allocation functions. Each is a default under its own name,
// bound to the decorated name with /alternatename, which the linker uses only
// when no object defines that name: a program's own operator new wins without
// a duplicate definition, as with Microsoft's one-function-per-object library.
#include <stdlib.h>

#include <new>

extern "C" __declspec(dllimport) int __cdecl _callnewh(size_t);

namespace {
using std::align_val_t;
using std::nothrow_t;
} // namespace

// The tag that new(std::nothrow) names, which msvcrt.lib defines too; the
// STL's temporary buffers (stable_sort, stable_partition) ask for it.
const std::nothrow_t std::nothrow{};

extern "C" {
void* msvc_runtime_new(size_t size) {
    for (;;) {
        if (void* memory = malloc(size == 0 ? 1 : size)) {
            return memory;
        }
        if (_callnewh(size) == 0) {
            throw std::bad_alloc();
        }
    }
}
void* msvc_runtime_new_aligned(size_t size, align_val_t alignment) {
    for (;;) {
        if (void* memory = _aligned_malloc(size == 0 ? 1 : size, static_cast<size_t>(alignment))) {
            return memory;
        }
        if (_callnewh(size) == 0) {
            throw std::bad_alloc();
        }
    }
}
void* msvc_runtime_new_array(size_t size) {
    return ::operator new(size);
}
void* msvc_runtime_new_nothrow(size_t size, const nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* msvc_runtime_new_array_nothrow(size_t size, const nothrow_t&) noexcept {
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
void* msvc_runtime_new_array_aligned(size_t size, align_val_t alignment) {
    return ::operator new(size, alignment);
}
void* msvc_runtime_new_aligned_nothrow(size_t size, align_val_t alignment, const nothrow_t&) noexcept {
    try {
        return ::operator new(size, alignment);
    } catch (...) {
        return nullptr;
    }
}
void* msvc_runtime_new_array_aligned_nothrow(size_t size, align_val_t alignment, const nothrow_t&) noexcept {
    try {
        return ::operator new[](size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void msvc_runtime_delete(void* memory) noexcept {
    free(memory);
}
void msvc_runtime_delete_sized(void* memory, size_t) noexcept {
    ::operator delete(memory);
}
void msvc_runtime_delete_array(void* memory) noexcept {
    ::operator delete(memory);
}
void msvc_runtime_delete_array_sized(void* memory, size_t) noexcept {
    ::operator delete[](memory);
}
void msvc_runtime_delete_nothrow(void* memory, const nothrow_t&) noexcept {
    ::operator delete(memory);
}
void msvc_runtime_delete_array_nothrow(void* memory, const nothrow_t&) noexcept {
    ::operator delete[](memory);
}
void msvc_runtime_delete_aligned(void* memory, align_val_t) noexcept {
    _aligned_free(memory);
}
void msvc_runtime_delete_sized_aligned(void* memory, size_t, align_val_t alignment) noexcept {
    ::operator delete(memory, alignment);
}
void msvc_runtime_delete_array_aligned(void* memory, align_val_t alignment) noexcept {
    ::operator delete(memory, alignment);
}
void msvc_runtime_delete_array_sized_aligned(void* memory, size_t, align_val_t alignment) noexcept {
    ::operator delete[](memory, alignment);
}
void msvc_runtime_delete_aligned_nothrow(void* memory, align_val_t alignment, const nothrow_t&) noexcept {
    ::operator delete(memory, alignment);
}
void msvc_runtime_delete_array_aligned_nothrow(void* memory, align_val_t alignment, const nothrow_t&) noexcept {
    ::operator delete[](memory, alignment);
}
}

#pragma comment(linker, "/alternatename:??2@YAPEAX_K@Z=msvc_runtime_new")
#pragma comment(linker, "/alternatename:??2@YAPEAX_KW4align_val_t@std@@@Z=msvc_runtime_new_aligned")
#pragma comment(linker, "/alternatename:??_U@YAPEAX_K@Z=msvc_runtime_new_array")
#pragma comment(linker, "/alternatename:??2@YAPEAX_KAEBUnothrow_t@std@@@Z=msvc_runtime_new_nothrow")
#pragma comment(linker, "/alternatename:??_U@YAPEAX_KAEBUnothrow_t@std@@@Z=msvc_runtime_new_array_nothrow")
#pragma comment(linker, "/alternatename:??_U@YAPEAX_KW4align_val_t@std@@@Z=msvc_runtime_new_array_aligned")
#pragma comment(linker,                                                                                                \
                "/alternatename:??2@YAPEAX_KW4align_val_t@std@@AEBUnothrow_t@1@@Z=msvc_runtime_new_aligned_nothrow")
#pragma comment(                                                                                                       \
    linker,                                                                                                            \
    "/alternatename:??_U@YAPEAX_KW4align_val_t@std@@AEBUnothrow_t@1@@Z=msvc_runtime_new_array_aligned_nothrow")
#pragma comment(linker, "/alternatename:??3@YAXPEAX@Z=msvc_runtime_delete")
#pragma comment(linker, "/alternatename:??3@YAXPEAX_K@Z=msvc_runtime_delete_sized")
#pragma comment(linker, "/alternatename:??_V@YAXPEAX@Z=msvc_runtime_delete_array")
#pragma comment(linker, "/alternatename:??_V@YAXPEAX_K@Z=msvc_runtime_delete_array_sized")
#pragma comment(linker, "/alternatename:??3@YAXPEAXAEBUnothrow_t@std@@@Z=msvc_runtime_delete_nothrow")
#pragma comment(linker, "/alternatename:??_V@YAXPEAXAEBUnothrow_t@std@@@Z=msvc_runtime_delete_array_nothrow")
#pragma comment(linker, "/alternatename:??3@YAXPEAXW4align_val_t@std@@@Z=msvc_runtime_delete_aligned")
#pragma comment(linker, "/alternatename:??3@YAXPEAX_KW4align_val_t@std@@@Z=msvc_runtime_delete_sized_aligned")
#pragma comment(linker, "/alternatename:??_V@YAXPEAXW4align_val_t@std@@@Z=msvc_runtime_delete_array_aligned")
#pragma comment(linker, "/alternatename:??_V@YAXPEAX_KW4align_val_t@std@@@Z=msvc_runtime_delete_array_sized_aligned")
#pragma comment(linker,                                                                                                \
                "/alternatename:??3@YAXPEAXW4align_val_t@std@@AEBUnothrow_t@1@@Z=msvc_runtime_delete_aligned_nothrow")
#pragma comment(                                                                                                       \
    linker,                                                                                                            \
    "/alternatename:??_V@YAXPEAXW4align_val_t@std@@AEBUnothrow_t@1@@Z=msvc_runtime_delete_array_aligned_nothrow")
