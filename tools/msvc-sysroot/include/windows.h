// Wine's windows.h made to read as the Windows SDK's does under cl.exe.
#pragma once
// WCHAR is wchar_t on Windows; Wine makes it char16_t unless told otherwise.
#ifndef WINE_UNICODE_NATIVE
#define WINE_UNICODE_NATIVE
#endif
// winnt.h defines a function of this name, which clang already has as a builtin.
#define _InterlockedCompareExchange128 _Wine_InterlockedCompareExchange128
// GetExceptionCode and the other SEH intrinsics, as the SDK's excpt.h gives them.
#ifndef USE_COMPILER_EXCEPTIONS
#define USE_COMPILER_EXCEPTIONS
#endif
#include_next <windows.h>
#undef _InterlockedCompareExchange128
// windef.h defines `inline` as a macro under _MSC_VER, even in C++.
#undef inline

// Windows 10 SDK declarations that Wine 8's headers lack and the STL's
// filesystem.cpp uses, as the SDK documents them.
#ifndef SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
#define SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE 0x2
#endif
#ifndef FILE_DISPOSITION_FLAG_DELETE
#define FILE_DISPOSITION_FLAG_DELETE 0x1
#define FILE_DISPOSITION_FLAG_POSIX_SEMANTICS 0x2
#define FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE 0x10
typedef struct _FILE_DISPOSITION_INFO_EX {
    DWORD Flags;
} FILE_DISPOSITION_INFO_EX, *PFILE_DISPOSITION_INFO_EX;
typedef struct _FILE_ID_INFO {
    ULONGLONG VolumeSerialNumber;
    struct {
        BYTE Identifier[16];
    } FileId;
} FILE_ID_INFO, *PFILE_ID_INFO;
// Windows 11's; the STL looks it up at run time and falls back to GetTempPathW.
extern "C" DWORD WINAPI GetTempPath2W(DWORD, LPWSTR);
#endif
