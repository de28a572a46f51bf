#include "replay_catalogue.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

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
    const int year = local.tm_year + 1900; // 1969..3001: always four digits
    // Written in place: the earlier list's text has this length already.
    text.resize(19);
    char* out = PutTwoDigits(text.data(), year / 100);
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

void ReportError(std::string_view text) noexcept {
    LogFormatted("ERROR while scanning directory: %s", text);
}

// What a scan found, compactly: every replay name back to back, and per
// replay its write time and where its name lies among them.
struct Gathered {
    struct Key {
        std::int64_t time;
        std::uint32_t start;
        std::uint32_t length;
    };
    NativeString names;
    std::vector<Key> keys;
};

// Newest first, equal times in listing order: a stable radix sort, 11 bits at
// a time, over the bits in which the times differ. A comparison sort's
// branches mispredict at every other step over times in no particular order.
void SortNewestFirst(std::vector<Gathered::Key>& keys) {
    using Key = Gathered::Key;
    if (keys.size() < 2) return;
    const std::int64_t newest = std::max_element(keys.begin(), keys.end(), [](const Key& left, const Key& right) {
                                    return left.time < right.time;
                                })->time;
    const auto age = [newest](const Key& key) {
        return static_cast<std::uint64_t>(newest) - static_cast<std::uint64_t>(key.time);
    };
    std::uint64_t oldest = 0;
    for (const Key& key : keys) oldest = std::max(oldest, age(key));
    std::vector<Key> sorted(keys.size());
    for (int shift = 0; shift < 64 && (oldest >> shift) != 0; shift += 11) {
        std::array<std::size_t, 2049> starts{};
        for (const Key& key : keys) ++starts[((age(key) >> shift) & 0x7FF) + 1];
        for (std::size_t digit = 1; digit < starts.size(); ++digit) starts[digit] += starts[digit - 1];
        for (const Key& key : keys) sorted[starts[(age(key) >> shift) & 0x7FF]++] = key;
        keys.swap(sorted);
    }
}

// Gathers the folder's replays until the listing ends or fails.
std::optional<platform::Error> ScanFolder(const NativeString& folder, Gathered& gathered,
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

        std::int64_t ticks = 0;
        switch (listing->WriteTime(ticks, error)) {
        case FolderListing::Time::Vanished:
            continue;
        case FolderListing::Time::Failed:
            return error;
        case FolderListing::Time::Read:
            break;
        }
        const std::size_t start = gathered.names.size();
        // Keys stay 16 bytes: names past 4 GiB end the scan as memory running out would.
        if (start + name.size() > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
        // Stores that miss the cache would wait at the lock the next listing call takes, every entry:
        // the lines a few entries on are fetched now, while the system works.
        platform::PrefetchToWrite(gathered.names.data() + std::min(gathered.names.capacity(), start + 256));
        platform::PrefetchToWrite(gathered.keys.data() + std::min(gathered.keys.capacity(), gathered.keys.size() + 8));
        gathered.names.append(name);
        gathered.keys.push_back({ticks, static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(name.size())});
    }
}

// Writes the gathered replays into `entries`, newest first (in listing order
// among equal times). Each slot is written where it stands: its strings keep
// the storage of the earlier list, and the slots, written in order, meet that
// storage in the order it was allocated, rather than scattered as entries
// moved by a sort would leave it. Out of memory, the list ends where the
// writing stopped.
void FillEntries(const NativeString& folder, Gathered& gathered, std::vector<ReplayEntry>& entries,
                 bool reportFailure) noexcept {
    using Key = Gathered::Key;
    std::size_t count = 0;
    try {
        SortNewestFirst(gathered.keys);
        if (entries.size() < gathered.keys.size()) entries.resize(gathered.keys.size());
        const std::size_t total = gathered.keys.size();
        for (const Key& key : gathered.keys) {
            // The name and the slot's strings of an entry a few steps on, fetched while this one is written.
            if (count + 8 < total) {
                platform::PrefetchToRead(gathered.names.data() + gathered.keys[count + 8].start);
                platform::PrefetchToWrite(entries[count + 8].filePath.data());
                platform::PrefetchToWrite(entries[count + 8].displayTime.data());
            }
            const NativeStringView name = NativeStringView(gathered.names).substr(key.start, key.length);
            ReplayEntry& entry = entries[count];
            entry.filePath.reserve(folder.size() + 1 + name.size());
            entry.filePath.assign(folder).push_back(platform::kPathSeparator);
            entry.filePath.append(name);
            entry.lastWriteTime = key.time;
            FormatLocalTime(key.time, entry.displayTime);
            ++count;
        }
    } catch (const std::exception& failure) {
        if (reportFailure) ReportError(failure.what());
    }
    entries.resize(count);
}

} // namespace

void RefreshCatalogue(std::vector<ReplayEntry>& entries, platform::OpenListingFunction openListing) noexcept {
    LogFormatted("Refreshing replay list...");
    // Nothing of the previous list stays visible, but its slots are reused.
    NativeString folder;
    Gathered gathered;
    std::optional<platform::Error> error;
    bool scanned = false;

    try {
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
        // The earlier list's size is the best guess of this one's (a game's name is 39 characters).
        gathered.keys.reserve(entries.size());
        gathered.names.reserve(entries.size() * 48);
        if (!error) error = ScanFolder(folder, gathered, openListing);
        if (error) ReportError(error->Text());
        scanned = true;
    } catch (const std::exception& failure) {
        // Out of memory mid-scan: keep what was gathered, as after any other failed scan.
        ReportError(failure.what());
    } catch (...) {
        // Whatever else was thrown must not reach the noexcept boundary: std::terminate would end the host.
        ReportError("unknown error");
    }
    // One error line per refresh: a failure while writing the list is told only when the scan had none.
    FillEntries(folder, gathered, entries, scanned && !error);
    LogFormatted("Sorting complete. %zu replays found.", entries.size());
}

} // namespace tapeloom
