#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

namespace tapeloom::platform {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;
// Windows' runtime converts no further; both platforms stop at the same second.
constexpr std::int64_t kLastLocalSecond = 32'536'799'999;

std::int64_t TicksFromTimespec(const timespec& time) noexcept {
    std::int64_t ticks = 0;
    // A time beyond what 64-bit ticks hold pins to the end of the scale rather than wrapping into the past.
    if (__builtin_mul_overflow(static_cast<std::int64_t>(time.tv_sec), kTicksPerSecond, &ticks) ||
        __builtin_add_overflow(ticks, kUnixEpochTicks + time.tv_nsec / 100, &ticks)) {
        return time.tv_sec < 0 ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    }
    return ticks;
}

struct DirCloser {
    void operator()(DIR* dir) const noexcept { closedir(dir); }
};

class PosixListing final : public FolderListing {
public:
    PosixListing(std::unique_ptr<DIR, DirCloser> opened, const NativeString& path)
        : dir(std::move(opened)), folderFd(dirfd(dir.get())), folder(path) {}

    Step Next(std::optional<Error>& error) override {
        for (;;) {
            errno = 0;
            current = readdir(dir.get());
            if (current == nullptr) {
                const int code = errno;
                if (code == 0) return Step::End;
                error = Error{"directory_iterator::operator++", code, std::nullopt};
                return Step::Failed;
            }
            name = current->d_name;
            if (name != "." && name != "..") return Step::Entry;
        }
    }

    NativeStringView Name() const override { return name; }

    // One fstatat per entry, relative to the open folder, so the kernel walks the folder's path only once.
    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        struct stat info {};
        const bool link = current->d_type == DT_LNK;
        if (fstatat(folderFd, current->d_name, &info, link ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
            return Failure(errno, link, error);
        }
        // Some file systems keep no type in their folders: the entry's own metadata tells
        // whether it is a link, and only a link pays for the second query.
        if (current->d_type == DT_UNKNOWN && S_ISLNK(info.st_mode) &&
            fstatat(folderFd, current->d_name, &info, 0) != 0) {
            return Failure(errno, true, error);
        }
        ticks = TicksFromTimespec(info.st_mtim);
        return Time::Read;
    }

private:
    Time Failure(int code, bool link, std::optional<Error>& error) {
        // A plain entry deleted since readdir named it is simply gone; a link that cannot be followed is a fault.
        if (!link && code == ENOENT) return Time::Vanished;
        NativeString path = folder;
        path.push_back(kPathSeparator);
        path.append(name);
        error = Error{"directory_entry::last_write_time", code, std::move(path)};
        return Time::Failed;
    }

    std::unique_ptr<DIR, DirCloser> dir;
    int folderFd;
    NativeString folder;
    dirent* current = nullptr;
    NativeStringView name;
};

} // namespace

std::string SystemMessage(int code) {
    return std::generic_category().message(code);
}

std::optional<Error> ProfileTextToPath(std::string_view text, NativeString& path) {
    path.assign(text);
    return std::nullopt;
}

void AppendPathComponent(NativeString& path, NativeStringView component) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append(component);
}

std::optional<Error> Exists(const NativeString& path, bool& exists) {
    struct stat info {};
    exists = fstatat(AT_FDCWD, path.c_str(), &info, 0) == 0;
    if (exists) return std::nullopt;
    const int code = errno;
    if (code == ENOENT || code == ENOTDIR) return std::nullopt;
    // A name longer than a folder can hold cannot be there. A whole path too long
    // for the system to resolve may still name a folder: that is an error to show.
    if (code == ENAMETOOLONG && path.size() < PATH_MAX) return std::nullopt;
    return Error{"exists", code, path};
}

std::unique_ptr<FolderListing> OpenFolderListing(const NativeString& folder, std::optional<Error>& error) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) {
        const int code = errno;
        error = Error{"directory_iterator::directory_iterator", code, folder};
        return nullptr;
    }
    return std::make_unique<PosixListing>(std::move(dir), folder);
}

bool ToLocalTime(std::int64_t seconds, std::tm& out) noexcept {
    // Times of one session keep one zone even if the process's TZ changes later.
    static const bool zoneRead = (tzset(), true);
    (void)zoneRead;
    if (seconds < 0 || seconds > kLastLocalSecond) return false;
    const std::time_t time = static_cast<std::time_t>(seconds);
    return localtime_r(&time, &out) != nullptr;
}

void PopulateToWrite(void* address, std::size_t bytes) noexcept {
#if defined(MADV_POPULATE_WRITE)
    // Whole pages inside the range only: rounded outward it could reach past the mapping, failing for all of it.
    static const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = (reinterpret_cast<std::uintptr_t>(address) + pageSize - 1) & ~(pageSize - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(address) + bytes) & ~(pageSize - 1);
    if (start < end) madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
    (void)address;
    (void)bytes;
#endif
}

std::string NarrowForLog(NativeStringView text) noexcept {
    try {
        return std::string(text);
    } catch (...) {
        return {};
    }
}

} // namespace tapeloom::platform
