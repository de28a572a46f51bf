#pragma once

// The Win32 listing over a chosen FindFirstFileExW, so that tests can answer
// as volumes do that Wine cannot make (an empty FAT root, a redirector).

#include "platform/platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tapeloom::platform {

using FindFirstFunction = HANDLE(WINAPI*)(LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD);

std::unique_ptr<FolderListing> OpenFolderListing(const NativeString& folder, std::optional<Error>& error,
                                                 FindFirstFunction findFirst);

} // namespace tapeloom::platform
