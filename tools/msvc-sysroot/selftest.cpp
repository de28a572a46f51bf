// The support headers against the x64 layouts of the runtime they stand in for.
#include <cwchar>
#include <exception>
#include <new>
#include <typeinfo>
#include <windows.h>

static_assert(sizeof(std::exception) == 24 && alignof(std::exception) == 8);
static_assert(sizeof(std::bad_alloc) == 24 && sizeof(std::bad_array_new_length) == 24);
static_assert(sizeof(type_info) == 24 && sizeof(std::bad_cast) == 24);
static_assert(sizeof(std::align_val_t) == 8);
// msvcp140 exports codecvt<char, char, _Mbstatet>: the state is the UCRT's 8-byte struct.
static_assert(__is_same(mbstate_t, _Mbstatet) && sizeof(mbstate_t) == 8);
static_assert(__is_same(WCHAR, wchar_t) && sizeof(DWORD) == 4 && sizeof(HANDLE) == 8);
static_assert(_HAS_CXX17 && _HAS_CXX20 && !_HAS_CXX23);
