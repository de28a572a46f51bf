// The one piece of the runtime's internal header that the STL's filesystem.cpp
// uses: an owning pointer to memory from the C heap.
#pragma once
#include <stdlib.h>

template <class T> class __crt_unique_heap_ptr {
public:
    __crt_unique_heap_ptr() = default;
    __crt_unique_heap_ptr(const __crt_unique_heap_ptr&) = delete;
    __crt_unique_heap_ptr& operator=(const __crt_unique_heap_ptr&) = delete;
    ~__crt_unique_heap_ptr() { free(pointer); }
    __crt_unique_heap_ptr& operator=(T* other) {
        free(pointer);
        pointer = other;
        return *this;
    }
    explicit operator bool() const { return pointer != nullptr; }
    T* get() const { return pointer; }

private:
    T* pointer = nullptr;
};

#define _malloc_crt_t(type, count) static_cast<type*>(malloc(sizeof(type) * (count)))
