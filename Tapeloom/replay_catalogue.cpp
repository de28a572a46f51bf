#include "replay_catalogue.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "log/Log.h"

namespace tapeloom {

namespace {

using platform::NativeChar;
using platform::NativeString;
using platform::NativeStringView;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;

constexpr std::array<std::string_view, 4> kBaseFolders = {"Documents", "My Games", "Corvane", "TAGame"};
constexpr std::array<std::string_view, 2> kReplayFolders = {"DemosEpic", "Demos"};
constexpr std::string_view kReplayExtension = ".replay";

// The constant names are ASCII, which reads the same in every native form.
NativeString Native(std::string_view ascii) {
    return NativeString(ascii.begin(), ascii.end());
}

bool HasReplayExtension(NativeStringView name) {
    // The extension starts at the last dot; a dot in front names a hidden file, not an extension.
    const std::size_t dot = name.rfind(NativeChar('.'));
    if (dot == NativeStringView::npos || dot == 0) return false;
    const NativeStringView extension = name.substr(dot);
    return std::equal(extension.begin(), extension.end(), kReplayExtension.begin(), kReplayExtension.end(),
                      [](NativeChar left, char right) { return left == static_cast<NativeChar>(right); });
}

std::int64_t SecondsSince1970(std::int64_t ticks) {
    // Far enough before 1601 the subtraction would overflow; such a time is out of range either way.
    if (ticks < std::numeric_limits<std::int64_t>::min() + kUnixEpochTicks) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return (ticks - kUnixEpochTicks) / kTicksPerSecond;
}

// Two digits of a broken-down time field, which the range check keeps within 0..99.
char* PutTwoDigits(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

// "%Y-%m-%d %H:%M:%S" written digit by digit: strftime's locale machinery
// costs more than the rest of an entry's work, and these fields need none of it.
void FormatLocalTime(std::int64_t ticks, std::string& text) {
    std::tm local{};
    if (!platform::ToLocalTime(SecondsSince1970(ticks), local)) {
        text.assign(kUnknownTime);
        return;
    }
    const int year = local.tm_year + 1900; // 1970..3001: always four digits
    char buffer[19];
    char* out = PutTwoDigits(buffer, year / 100);
    out = PutTwoDigits(out, year % 100);
    *out++ = '-';
    out = PutTwoDigits(out, local.tm_mon + 1);
    *out++ = '-';
    out = PutTwoDigits(out, local.tm_mday);
    *out++ = ' ';
    out = PutTwoDigits(out, local.tm_hour);
    *out++ = ':';
    out = PutTwoDigits(out, local.tm_min);
    *out++ = ':';
    PutTwoDigits(out, local.tm_sec);
    text.assign(buffer, sizeof buffer);
}

enum class Outcome { NoProfile, NoFolder, Searched };

// Finds the replay folder under the profile; an error here ends the refresh like a failed scan.
Outcome FindReplayFolder(NativeString& folder, std::optional<platform::Error>& error) {
    const std::optional<std::string> profile = platform::ReadEnvironment("USERPROFILE");
    if (!profile) return Outcome::NoProfile;
    NativeString base;
    error = platform::ProfileTextToPath(*profile, base);
    if (error) return Outcome::Searched;
    for (std::string_view part : kBaseFolders) platform::AppendPathComponent(base, Native(part));

    for (std::string_view candidate : kReplayFolders) {
        folder = base;
        platform::AppendPathComponent(folder, Native(candidate));
        bool exists = false;
        error = platform::Exists(folder, exists);
        if (error || exists) return Outcome::Searched;
    }
    return Outcome::NoFolder;
}

// Fills `entries` from slot `count` on with the folder's replays until the
// listing ends or fails; `count` ends as the number of slots in use.
std::optional<platform::Error> ScanFolder(const NativeString& folder, std::vector<ReplayEntry>& entries,
                                          std::size_t& count, platform::OpenListingFunction openListing) {
    using platform::FolderListing;
    std::optional<platform::Error> error;
    const std::unique_ptr<FolderListing> listing = openListing(folder, error);
    if (!listing) return error;
    for (;;) {
        switch (listing->Next(error)) {
        case FolderListing::Step::End:
            return std::nullopt;
        case FolderListing::Step::Failed:
            return error;
        case FolderListing::Step::Entry:
            break;
        }
        const NativeStringView name = listing->Name();
        if (!HasReplayExtension(name)) continue;

        std::int64_t ticks = 0;
        switch (listing->WriteTime(ticks, error)) {
        case FolderListing::Time::Vanished:
            continue;
        case FolderListing::Time::Failed:
            return error;
        case FolderListing::Time::Read:
            break;
        }
        // The previous scan's entries are overwritten in place: their strings
        // keep their storage, so a refresh of a large folder allocates little.
        if (count == entries.size()) entries.emplace_back();
        ReplayEntry& entry = entries[count];
        entry.filePath.reserve(folder.size() + 1 + name.size());
        entry.filePath.assign(folder).push_back(platform::kPathSeparator);
        entry.filePath.append(name);
        entry.lastWriteTime = ticks;
        FormatLocalTime(ticks, entry.displayTime);
        ++count;
    }
}

void ReportError(std::string_view text) noexcept {
    LogFormatted("ERROR while scanning directory: %s", text);
}

} // namespace

void RefreshCatalogue(std::vector<ReplayEntry>& entries, platform::OpenListingFunction openListing) noexcept {
    LogFormatted("Refreshing replay list...");
    // Nothing of the previous list stays visible, but its slots are reused by the scan.
    std::size_t count = 0;

    try {
        NativeString folder;
        std::optional<platform::Error> error;
        switch (FindReplayFolder(folder, error)) {
        case Outcome::NoProfile:
            entries.clear();
            return;
        case Outcome::NoFolder:
            entries.clear();
            LogFormatted("No replay directory found.");
            return;
        case Outcome::Searched:
            break;
        }
        if (!error) error = ScanFolder(folder, entries, count, openListing);
        if (error) ReportError(error->Text());
    } catch (const std::exception& failure) {
        // Out of memory mid-scan: keep what was gathered, as after any other failed scan.
        ReportError(failure.what());
    } catch (...) {
        // Whatever else was thrown must not reach the noexcept boundary: std::terminate would end the host.
        ReportError("unknown error");
    }
    entries.resize(count);

    std::sort(entries.begin(), entries.end(), [](const ReplayEntry& left, const ReplayEntry& right) {
        return left.lastWriteTime > right.lastWriteTime;
    });
    LogFormatted("Sorting complete. %zu replays found.", entries.size());
}

} // namespace tapeloom
