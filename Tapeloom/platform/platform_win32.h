#pragma once

// The Win32 listing over chosen find calls, so that tests can answer as
// volumes and links do that Wine cannot make (an empty FAT root, a redirector,
// a reparse point), and the log text in a chosen code page.

#include "platform/platform.h"

#include <windows.h>

namespace tapeloom::platform {

using FindFirstFunction = HANDLE(WINAPI*)(LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD);
using FindNextFunction = BOOL(WINAPI*)(HANDLE, LPWIN32_FIND_DATAW);

std::unique_ptr<FolderListing> OpenFolderListing(const NativeString& folder, std::optional<Error>& error,
                                                 FindFirstFunction findFirst,
                                                 FindNextFunction findNext = FindNextFileW);

// NarrowForLog in the given code page rather than the file system's.
std::string NarrowForLog(NativeStringView text, UINT codePage) noexcept;

} // namespace tapeloom::platform
