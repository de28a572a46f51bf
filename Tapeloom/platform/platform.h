#pragma once

// The module's only window onto the operating system. Everything above this
// header (the catalogue logic, the log lines) is shared by every platform.

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace tapeloom::platform {

// Paths stay in the platform's own form: UTF-16 on Windows, the file system's
// bytes on Linux, so no name is ever mangled on its way to PlayReplay.
using NativeString = std::filesystem::path::string_type;
using NativeChar = NativeString::value_type;
using NativeStringView = std::basic_string_view<NativeChar>;

// A failed system call: which operation, the system's error code and, when
// one is involved, the path.
struct Error {
    std::string operation;
    int code = 0;
    std::optional<NativeString> path;

    // `operation: message: "path"`; the message is the system's text for the
    // code without trailing white space; the path part only when there is one.
    std::string Text() const;
};

// Reads an environment variable as narrow text; empty optional when unset.
inline std::optional<std::string> ReadEnvironment(const char* name) {
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996) // getenv is the environment as the host sees it; _dupenv_s only copies it.
#endif
    const char* value = std::getenv(name);
#if defined(_MSC_VER)
#pragma warning(pop)
#endif
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// The system's own text for an error code (in US English where the system has it).
std::string SystemMessage(int code);

// Narrow profile text to a native path: through the file system's code page on
// Windows (UTF-8 under a 65001 C locale, else ANSI or OEM as the file APIs
// use), bytes unchanged on Linux.
std::optional<Error> ProfileTextToPath(std::string_view text, NativeString& path);

// Appends one component: a separator goes between the parts unless the left
// part is empty, already ends in a separator, or (on Windows) is a bare drive
// such as "C:".
void AppendPathComponent(NativeString& path, NativeStringView component);

// Whether anything (folder, file, or a link to one) exists at the path. Links
// are followed, so a dangling one is absent. Not-found answers are "absent";
// every other failure is an Error for operation "exists".
std::optional<Error> Exists(const NativeString& path, bool& exists);

// One pass over a folder. Names "." and ".." are never reported. Write times
// are 100-ns ticks since 1601-01-01 UTC; asking for one is a separate step so
// that names the caller skips cost no metadata query.
class FolderListing {
public:
    enum class Step { Entry, End, Failed };
    // Vanished: a plain entry removed between the listing and the query; the
    // caller skips it as a listing taken a moment later would not show it.
    enum class Time { Read, Vanished, Failed };

    virtual ~FolderListing() = default;

    // Moves to the next entry. On Failed, `error` holds the failure.
    virtual Step Next(std::optional<Error>& error) = 0;
    // The current entry's name, valid until the next call of Next.
    virtual NativeStringView Name() const = 0;
    // The current entry's last-write time, following a link to its target.
    // On Failed, `error` holds the failure.
    virtual Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) = 0;
};

// Opens a listing of the folder, or fails (the folder cannot be opened,
// is not a folder, or does not exist).
using OpenListingFunction = std::unique_ptr<FolderListing> (*)(const NativeString& folder, std::optional<Error>& error);
std::unique_ptr<FolderListing> OpenFolderListing(const NativeString& folder, std::optional<Error>& error);

// Seconds since 1970 to local broken-down time, by the runtime's own
// conversion (localtime_r, _localtime64_s). Accepts 0 to 32,536,799,999 (up to
// 3001-01-19 07:59:59 UTC) and reports false outside that range or when the
// runtime refuses; `out` is then not to be used. The time zone (TZ, else the
// system's) is read at the first call and kept.
bool ToLocalTime(std::int64_t seconds, std::tm& out) noexcept;

// Native text to narrow text for a log line: the file system's code page on
// Windows with a replacement for what cannot be mapped, bytes on Linux. Never throws.
std::string NarrowForLog(NativeStringView text) noexcept;

inline std::string Error::Text() const {
    std::string message = SystemMessage(code);
    while (!message.empty() && (message.back() == ' ' || (message.back() >= '\t' && message.back() <= '\r'))) {
        message.pop_back();
    }
    std::string text = operation + ": " + message;
    if (path) text += ": \"" + NarrowForLog(*path) + "\"";
    return text;
}

// Asks the processor to fetch the cache line at `address` for reading or for
// writing while other work goes on. Only a hint: any address is allowed.
inline void PrefetchToRead(const void* address) noexcept {
#if defined(_MSC_VER)
    _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#else
    __builtin_prefetch(address, 0);
#endif
}
inline void PrefetchToWrite(const void* address) noexcept {
#if defined(_MSC_VER)
    _m_prefetchw(address);
#else
    __builtin_prefetch(address, 1);
#endif
}

// Makes the pages of [address, address + bytes) present and writable in one
// request, where the system can: a fresh page met one at a time by a store
// costs a fault each, which in a virtual machine can outweigh all the work
// written to it. Only a hint: failure changes nothing.
void PopulateToWrite(void* address, std::size_t bytes) noexcept;

// The native path separator placed between the replay folder and a file name.
inline constexpr NativeChar kPathSeparator =
#if defined(_WIN32)
    L'\\';
#else
    '/';
#endif

// Every character that ends a path component: Windows takes both slashes, while
// on POSIX a backslash is an ordinary character of a name.
inline constexpr NativeStringView kPathSeparators =
#if defined(_WIN32)
    L"\\/";
#else
    "/";
#endif

} // namespace tapeloom::platform
