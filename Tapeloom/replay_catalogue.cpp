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

std::string FormatLocalTime(std::int64_t ticks) {
    std::tm local{};
    char text[32];
    if (!platform::ToLocalTime(SecondsSince1970(ticks), local) ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        return kUnknownTime;
    }
    return text;
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

// Appends the folder's replays to `entries` until the listing ends or fails.
std::optional<platform::Error> ScanFolder(const NativeString& folder, std::vector<ReplayEntry>& entries,
                                          platform::OpenListingFunction openListing) {
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

        ReplayEntry entry;
        switch (listing->WriteTime(entry.lastWriteTime, error)) {
        case FolderListing::Time::Vanished:
            continue;
        case FolderListing::Time::Failed:
            return error;
        case FolderListing::Time::Read:
            break;
        }
        entry.filePath.reserve(folder.size() + 1 + name.size());
        entry.filePath.append(folder).push_back(platform::kPathSeparator);
        entry.filePath.append(name);
        entry.displayTime = FormatLocalTime(entry.lastWriteTime);
        entries.push_back(std::move(entry));
    }
}

void ReportError(std::string_view text) noexcept {
    LogFormatted("ERROR while scanning directory: %s", text);
}

} // namespace

void RefreshCatalogue(std::vector<ReplayEntry>& entries, platform::OpenListingFunction openListing) noexcept {
    LogFormatted("Refreshing replay list...");
    // Cleared, not released: the next scan fills the same storage.
    entries.clear();

    try {
        NativeString folder;
        std::optional<platform::Error> error;
        switch (FindReplayFolder(folder, error)) {
        case Outcome::NoProfile:
            return;
        case Outcome::NoFolder:
            LogFormatted("No replay directory found.");
            return;
        case Outcome::Searched:
            break;
        }
        if (!error) error = ScanFolder(folder, entries, openListing);
        if (error) ReportError(error->Text());
    } catch (const std::exception& failure) {
        // Out of memory mid-scan: keep what was gathered, as after any other failed scan.
        ReportError(failure.what());
    }

    std::sort(entries.begin(), entries.end(), [](const ReplayEntry& left, const ReplayEntry& right) {
        return left.lastWriteTime > right.lastWriteTime;
    });
    LogFormatted("Sorting complete. %zu replays found.", entries.size());
}

} // namespace tapeloom
