// The TLS directory the loader reads to give each thread its copy of the
// module's thread_local data (between _tls_start and _tls_end), and the slot
// index the compiler's accesses go through.
#include <windows.h>

#pragma section(".tls", long, read, write)
#pragma section(".tls$ZZZ", long, read, write)
#pragma section(".CRT$XLA", long, read)
#pragma section(".CRT$XLZ", long, read)
#pragma section(".rdata$T", long, read)

extern "C" {
ULONG _tls_index = 0;
// The compiler puts thread_local data in .tls$, which the linker sorts between these two.
__declspec(allocate(".tls")) char _tls_start = 0;
__declspec(allocate(".tls$ZZZ")) char _tls_end = 0;
__declspec(allocate(".CRT$XLA")) extern const PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__declspec(allocate(".CRT$XLZ")) extern const PIMAGE_TLS_CALLBACK __xl_z = nullptr;

__declspec(allocate(".rdata$T")) extern const IMAGE_TLS_DIRECTORY64 _tls_used = {
    reinterpret_cast<ULONGLONG>(&_tls_start),
    reinterpret_cast<ULONGLONG>(&_tls_end),
    reinterpret_cast<ULONGLONG>(&_tls_index),
    reinterpret_cast<ULONGLONG>(&__xl_a + 1),
    0,
    {}};
}
// Kept whenever the index is: the linker fills the TLS directory entry from it.
#pragma comment(linker, "/include:_tls_used")
