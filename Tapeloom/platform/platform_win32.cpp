#include "platform/platform_win32.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <locale.h>
#include <string>
#include <time.h>

namespace tapeloom::platform {

namespace {

// Windows' runtime converts no further (later builds of it, or Wine's, may stop earlier).
constexpr std::int64_t kLastLocalSecond = 32'536'799'999;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The code page the file system uses for narrow names: a UTF-8 C locale wins,
// then whichever of ANSI and OEM the file APIs are set to.
UINT FileSystemCodePage() noexcept {
    if (___lc_codepage_func() == CP_UTF8) return CP_UTF8;
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

bool IsNotFound(DWORD code) noexcept {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
        return true;
    default:
        return false;
    }
}

std::int64_t TicksFromFileTime(const FILETIME& time) noexcept {
    const std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks);
}

class Win32Listing final : public FolderListing {
public:
    // An invalid handle stands for a folder without a single entry.
    Win32Listing(HANDLE handle, const WIN32_FIND_DATAW& first, const NativeString& path, FindNextFunction next)
        : find(handle), data(first), folder(path), findNext(next) {}
    ~Win32Listing() override {
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
    }

    Step Next(std::optional<Error>& error) override {
        if (find == INVALID_HANDLE_VALUE) return Step::End;
        for (;;) {
            // FindFirstFileExW already handed over the first entry when the listing was opened.
            if (firstPending) {
                firstPending = false;
            } else if (!findNext(find, &data)) {
                const DWORD code = GetLastError();
                if (code == ERROR_NO_MORE_FILES) return Step::End;
                error = Error{"directory_iterator::operator++", static_cast<int>(code), std::nullopt};
                return Step::Failed;
            }
            name = data.cFileName;
            if (name != L"." && name != L"..") return Step::Entry;
        }
    }

    NativeStringView Name() const override { return name; }

    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        // Find data already carries the write time; only reparse points need a second query, for their target's.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            ticks = TicksFromFileTime(data.ftLastWriteTime);
            return Time::Read;
        }
        NativeString path = folder;
        path.push_back(kPathSeparator);
        path.append(name);
        HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        // GetFileTime wants read access; basic information needs only the attributes the handle was opened for.
        FILE_BASIC_INFO basic{};
        const bool read =
            file != INVALID_HANDLE_VALUE && GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic);
        const DWORD code = read ? ERROR_SUCCESS : GetLastError();
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        if (!read) {
            error = Error{"directory_entry::last_write_time", static_cast<int>(code), std::move(path)};
            return Time::Failed;
        }
        ticks = basic.LastWriteTime.QuadPart;
        return Time::Read;
    }

private:
    HANDLE find;
    WIN32_FIND_DATAW data;
    NativeString folder;
    FindNextFunction findNext;
    bool firstPending = true;
    NativeStringView name;
};

} // namespace

std::string SystemMessage(int code) {
    const auto error = static_cast<DWORD>(code);
    wchar_t buffer[1024];
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = FormatMessageW(flags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer,
                                  static_cast<DWORD>(std::size(buffer)), nullptr);
    // Systems without the English messages installed still have their own.
    if (length == 0) {
        length = FormatMessageW(flags, nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                                static_cast<DWORD>(std::size(buffer)), nullptr);
    }
    // Narrowed as the path beside it in the same line is, so that one line has one encoding.
    std::string message = length == 0 ? std::string() : NarrowForLog(NativeStringView(buffer, length));
    if (message.empty()) return "unknown error " + std::to_string(error);
    return message;
}

std::optional<Error> ProfileTextToPath(std::string_view text, NativeString& path) {
    path.clear();
    if (text.empty()) return std::nullopt;
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return Error{"path::path", ERROR_FILENAME_EXCED_RANGE, std::nullopt};
    }
    const UINT codePage = FileSystemCodePage();
    const int size = static_cast<int>(text.size());
    // Invalid bytes fail the conversion instead of quietly becoming a different folder.
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length > 0) {
        path.resize(static_cast<std::size_t>(length));
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, path.data(), length) == length) {
            return std::nullopt;
        }
    }
    const DWORD code = GetLastError();
    path.clear();
    return Error{"path::path", static_cast<int>(code), std::nullopt};
}

void AppendPathComponent(NativeString& path, NativeStringView component) {
    const bool endsInSeparator = !path.empty() && (path.back() == L'\\' || path.back() == L'/');
    const bool bareDrive = path.size() == 2 && path[1] == L':' &&
                           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    if (!path.empty() && !endsInSeparator && !bareDrive) path.push_back(kPathSeparator);
    path.append(component);
}

std::optional<Error> Exists(const NativeString& path, bool& exists) {
    exists = false;
    DWORD code = ERROR_SUCCESS;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        code = GetLastError();
    } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // The attributes are the link's own; it counts only when its target is there.
        HANDLE target =
            CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (target == INVALID_HANDLE_VALUE) {
            code = GetLastError();
        } else {
            CloseHandle(target);
        }
    }
    if (code == ERROR_SUCCESS) {
        exists = true;
        return std::nullopt;
    }
    if (IsNotFound(code)) return std::nullopt;
    return Error{"exists", static_cast<int>(code), path};
}

std::unique_ptr<FolderListing> OpenFolderListing(const NativeString& folder, std::optional<Error>& error) {
    return OpenFolderListing(folder, error, FindFirstFileExW, FindNextFileW);
}

std::unique_ptr<FolderListing> OpenFolderListing(const NativeString& folder, std::optional<Error>& error,
                                                 FindFirstFunction findFirst, FindNextFunction findNext) {
    NativeString pattern = folder;
    AppendPathComponent(pattern, L"*");
    WIN32_FIND_DATAW first{};
    // Basic information skips the 8.3 names; the large fetch takes the folder in fewer round trips.
    HANDLE find =
        findFirst(pattern.c_str(), FindExInfoBasic, &first, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // A folder without even "." and ".." (the root of an empty FAT or exFAT volume, some network
        // redirectors) answers "file not found"; a folder that is gone answers "path not found".
        if (code == ERROR_FILE_NOT_FOUND) return std::make_unique<Win32Listing>(find, first, folder, findNext);
        error = Error{"directory_iterator::directory_iterator", static_cast<int>(code), folder};
        return nullptr;
    }
    try {
        return std::make_unique<Win32Listing>(find, first, folder, findNext);
    } catch (...) {
        FindClose(find);
        throw;
    }
}

bool ToLocalTime(std::int64_t seconds, std::tm& out) noexcept {
    // Times of one session keep one zone even if the process's TZ changes later.
    static const bool zoneRead = (_tzset(), true);
    (void)zoneRead;
    if (seconds < 0 || seconds > kLastLocalSecond) return false;
    const __time64_t time = seconds;
    return _localtime64_s(&out, &time) == 0;
}

// Windows has no request that makes fresh private pages present, and its faults on them cost little.
void PopulateToWrite(void*, std::size_t) noexcept {}

std::string NarrowForLog(NativeStringView text) noexcept {
    return NarrowForLog(text, FileSystemCodePage());
}

std::string NarrowForLog(NativeStringView text, UINT codePage) noexcept {
    try {
        if (text.empty()) return {};
        const int size = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
        // Without best fit, a character the code page lacks shows as the default character, not a look-alike;
        // code pages that refuse the flag (symbol, UTF-7, the ISO-2022 and GB18030 families) go without it.
        DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
        int length = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
        if (length == 0 && flags != 0) {
            flags = 0;
            length = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
        }
        if (length <= 0) return {};
        std::string narrow(static_cast<std::size_t>(length), '\0');
        if (WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), length, nullptr, nullptr) !=
            length) {
            return {};
        }
        return narrow;
    } catch (...) {
        return {};
    }
}

} // namespace tapeloom::platform
