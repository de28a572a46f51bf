// The catalogue refresh over any folder. Each input builds a replay folder,
// either on disk (files, subfolders, links that dangle, loop or lead back up,
// named by the input's own bytes) or as a listing played through the seam (any
// bytes, any 64-bit write time, entries that vanish or fail), and may break the
// listing where it says. The refresh is then checked against what was built
// and what the listing handed out: only ".replay" names with a stem, each
// once, newest first by raw time, the runtime's local time text (Lord Howe's)
// or the placeholder and never a "%", the count line equal to the list, and
// the error line exactly when the scan stopped early, with every entry read
// before the stop, and nothing left of the list the refresh started from.
//
// Input: four header bytes, then entries until the input ends.
//   [0] bit 0: on disk, bits 1-7: entries of an earlier list the refresh starts from
//   [1] % 8: 5 opening fails, 6 advancing fails, 7 a time query fails
//   [2] the entry or query at which that failure strikes    [3] the query whose entry vanishes
//   entry: kind, flags (bit 0: on disk, the seam replaces the time), link target,
//          time (8 bytes, little-endian ticks since 1601), name length (2 bytes), name
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "log/Log.h"
#include "platform/platform.h"
#include "replay_catalogue.h"

namespace {

using tapeloom::platform::Error;
using tapeloom::platform::FolderListing;
using tapeloom::platform::NativeString;
using tapeloom::platform::NativeStringView;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;
constexpr std::int64_t kLastLocalSecond = 32'536'799'999;
constexpr std::size_t kMaxDiskEntries = 40;
constexpr std::size_t kMaxPlayedEntries = 400;

using fuzzsupport::Check;
using fuzzsupport::Console;

enum class Kind : std::uint8_t { File, Folder, DanglingLink, SelfLink, LinkToEntry, LinkToFolder, LinkToParent, Gone };
constexpr int kKinds = 8;

struct Built {
    NativeString name;
    Kind kind = Kind::File;
    bool seamTime = false;
    std::uint8_t target = 0;
    std::int64_t ticks = 0;
};

struct Plan {
    bool onDisk = false;
    int earlierEntries = 0;
    enum class Failure { None, Open, Advance, Time } failure = Failure::None;
    int failAt = 0;
    int vanishAt = -1;
    std::vector<Built> entries;
};

// What the listing handed to the catalogue, and where it stopped.
struct Record {
    NativeString folder;
    std::vector<NativeString> handedOut;
    std::vector<NativeString> queried;
    std::vector<std::pair<NativeString, std::int64_t>> read;
    std::optional<Error> failure;
    bool ended = false;
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : at(data), end(data + size) {}
    bool Empty() const { return at == end; }
    std::uint8_t Byte() { return at == end ? 0 : *at++; }
    std::uint64_t Little(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= std::uint64_t{Byte()} << (8 * i);
        return value;
    }
    NativeString Bytes(std::size_t count) {
        count = std::min<std::size_t>(count, static_cast<std::size_t>(end - at));
        NativeString text(reinterpret_cast<const char*>(at), count);
        at += count;
        return text;
    }

private:
    const std::uint8_t* at;
    const std::uint8_t* end;
};

Plan ReadPlan(const std::uint8_t* data, std::size_t size) {
    Reader input(data, size);
    Plan plan;
    const std::uint8_t first = input.Byte();
    plan.onDisk = (first & 1) != 0;
    plan.earlierEntries = first >> 1;
    switch (input.Byte() % 8) {
    case 5:
        plan.failure = Plan::Failure::Open;
        break;
    case 6:
        plan.failure = Plan::Failure::Advance;
        break;
    case 7:
        plan.failure = Plan::Failure::Time;
        break;
    default:
        break;
    }
    plan.failAt = input.Byte();
    const std::uint8_t vanish = input.Byte();
    plan.vanishAt = vanish == 255 ? -1 : vanish;

    std::set<NativeString> names;
    const std::size_t limit = plan.onDisk ? kMaxDiskEntries : kMaxPlayedEntries;
    while (!input.Empty() && plan.entries.size() < limit) {
        Built entry;
        entry.kind = static_cast<Kind>(input.Byte() % kKinds);
        entry.seamTime = (input.Byte() & 1) != 0;
        entry.target = input.Byte();
        entry.ticks = static_cast<std::int64_t>(input.Little(8));
        entry.name = input.Bytes(input.Little(2) % 4097);
        if (plan.onDisk) {
            // Any bytes a file system takes in one name.
            std::replace(entry.name.begin(), entry.name.end(), '/', '_');
            std::replace(entry.name.begin(), entry.name.end(), '\0', '_');
            if (entry.name.size() > 255) entry.name.resize(255);
        }
        // A listing never reports these, nor one name twice.
        if (entry.name.empty() || entry.name == "." || entry.name == "..") continue;
        if (!names.insert(entry.name).second) continue;
        plan.entries.push_back(std::move(entry));
    }
    return plan;
}

// The oracle's own reading of the extension rule.
bool IsReplayName(NativeStringView name) {
    return name.size() > 7 && name.ends_with(".replay");
}

std::int64_t TicksOf(const timespec& time) {
    const __int128 ticks = static_cast<__int128>(time.tv_sec) * kTicksPerSecond + time.tv_nsec / 100 + kUnixEpochTicks;
    return static_cast<std::int64_t>(std::clamp<__int128>(ticks, std::numeric_limits<std::int64_t>::min(),
                                                          std::numeric_limits<std::int64_t>::max()));
}

// The runtime's own conversion, in the zone set below.
std::string ExpectedTimeText(std::int64_t ticks) {
    const __int128 sinceEpoch = static_cast<__int128>(ticks) - kUnixEpochTicks;
    const auto seconds = static_cast<std::int64_t>(sinceEpoch / kTicksPerSecond);
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[64];
    if (seconds < 0 || seconds > kLastLocalSecond || localtime_r(&time, &local) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        return tapeloom::kUnknownTime;
    }
    return text;
}

NativeString Join(const NativeString& folder, NativeStringView name) {
    NativeString path = folder;
    path.push_back('/');
    path.append(name);
    return path;
}

// The input's listing, without a disk: every kind but the links that resolve
// is a failure or a vanishing the real listing can produce.
class PlayedListing final : public FolderListing {
public:
    PlayedListing(const Plan& plan, NativeString path) : entries(plan.entries), folder(std::move(path)) {}

    Step Next(std::optional<Error>&) override {
        if (next == entries.size()) return Step::End;
        current = &entries[next++];
        return Step::Entry;
    }
    NativeStringView Name() const override { return current->name; }
    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        switch (current->kind) {
        case Kind::DanglingLink:
        case Kind::SelfLink:
            error = Error{"directory_entry::last_write_time", current->kind == Kind::SelfLink ? ELOOP : ENOENT,
                          Join(folder, current->name)};
            return Time::Failed;
        case Kind::Gone:
            return Time::Vanished;
        default:
            ticks = current->ticks;
            return Time::Read;
        }
    }

private:
    const std::vector<Built>& entries;
    NativeString folder;
    std::size_t next = 0;
    const Built* current = nullptr;
};

const Plan* plan = nullptr;
Record* record = nullptr;

// Stands between the catalogue and the listing: breaks it where the plan
// says, gives on-disk entries the plan's time where it asks, and records.
class RecordingListing final : public FolderListing {
public:
    explicit RecordingListing(std::unique_ptr<FolderListing> listing) : inner(std::move(listing)) {}

    Step Next(std::optional<Error>& error) override {
        Check(!record->failure && !record->ended, "the catalogue went on past the listing's end");
        if (plan->failure == Plan::Failure::Advance &&
            record->handedOut.size() == static_cast<std::size_t>(plan->failAt)) {
            error = Error{"directory_iterator::operator++", EIO, std::nullopt};
            record->failure = error;
            return Step::Failed;
        }
        const Step step = inner->Next(error);
        if (step == Step::Entry) record->handedOut.emplace_back(inner->Name());
        if (step == Step::End) record->ended = true;
        if (step == Step::Failed) record->failure = error;
        return step;
    }

    NativeStringView Name() const override { return inner->Name(); }

    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        Check(!record->failure, "the catalogue asked for a time after the listing failed");
        const NativeString name(inner->Name());
        const int query = static_cast<int>(record->queried.size());
        record->queried.push_back(name);
        if (query == plan->vanishAt) return Time::Vanished;
        if (plan->failure == Plan::Failure::Time && query == plan->failAt) {
            error = Error{"directory_entry::last_write_time", EIO, Join(record->folder, name)};
            record->failure = error;
            return Time::Failed;
        }
        const Time time = inner->WriteTime(ticks, error);
        if (time == Time::Failed) {
            Check(error && error->operation == "directory_entry::last_write_time" &&
                      error->path == Join(record->folder, name),
                  "a failed time query does not name its entry");
            record->failure = error;
        }
        if (time != Time::Read) return time;
        if (plan->onDisk) {
            Check(ticks == DiskTicks(name), "a time read from disk differs from the file system's");
            auto built = std::find_if(plan->entries.begin(), plan->entries.end(),
                                      [&](const Built& entry) { return entry.name == name; });
            if (built != plan->entries.end() && built->seamTime) ticks = built->ticks;
        }
        record->read.emplace_back(Join(record->folder, name), ticks);
        return time;
    }

private:
    // The entry's own time, or its target's when it is a link.
    std::int64_t DiskTicks(const NativeString& name) const {
        const NativeString path = Join(record->folder, name);
        struct stat info {};
        Check(lstat(path.c_str(), &info) == 0, "an entry the listing read is gone");
        if (S_ISLNK(info.st_mode)) Check(stat(path.c_str(), &info) == 0, "a link was read but cannot be followed");
        return TicksOf(info.st_mtim);
    }

    std::unique_ptr<FolderListing> inner;
};

std::unique_ptr<FolderListing> OpenRecording(const NativeString& folder, std::optional<Error>& error) {
    record->folder = folder;
    if (plan->failure == Plan::Failure::Open) {
        error = Error{"directory_iterator::directory_iterator", EACCES, folder};
        record->failure = error;
        return nullptr;
    }
    std::unique_ptr<FolderListing> inner;
    if (plan->onDisk) {
        inner = tapeloom::platform::OpenFolderListing(folder, error);
        Check(inner != nullptr, "the replay folder cannot be opened");
    } else {
        inner = std::make_unique<PlayedListing>(*plan, folder);
    }
    return std::make_unique<RecordingListing>(std::move(inner));
}

NativeString profile;
NativeString demos;

void EmptyDemos() {
    DIR* dir = opendir(demos.c_str());
    Check(dir != nullptr, "the fuzzer's replay folder is gone");
    std::vector<std::pair<std::string, bool>> names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name, entry->d_type == DT_DIR);
    }
    for (const auto& [name, folder] : names) unlinkat(dirfd(dir), name.c_str(), folder ? AT_REMOVEDIR : 0);
    closedir(dir);
}

void SetTime(const NativeString& path, std::int64_t ticks) {
    const __int128 sinceEpoch = static_cast<__int128>(ticks) - kUnixEpochTicks;
    __int128 seconds = sinceEpoch / kTicksPerSecond;
    __int128 rest = sinceEpoch % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), static_cast<long>(rest * 100)}};
    // A time the file system cannot hold is refused or pinned to its range; the check reads back what it kept.
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Builds the plan's folder on disk; entries the file system refuses are left out of the plan.
void BuildOnDisk(Plan& built) {
    EmptyDemos();
    std::vector<Built> made;
    for (const Built& entry : built.entries) {
        const NativeString path = Join(demos, entry.name);
        int done = -1;
        switch (entry.kind) {
        case Kind::File:
        case Kind::Gone:
            done = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
            if (done >= 0) done = close(done);
            break;
        case Kind::Folder:
            done = mkdir(path.c_str(), 0755);
            break;
        case Kind::DanglingLink:
            done = symlink("missing/target", path.c_str());
            break;
        case Kind::SelfLink:
            done = symlink(entry.name.c_str(), path.c_str());
            break;
        case Kind::LinkToEntry:
            done = symlink(built.entries[entry.target % built.entries.size()].name.c_str(), path.c_str());
            break;
        case Kind::LinkToFolder:
            done = symlink(".", path.c_str());
            break;
        case Kind::LinkToParent:
            done = symlink("..", path.c_str());
            break;
        }
        if (done != 0) continue;
        SetTime(path, entry.ticks);
        made.push_back(entry);
    }
    built.entries = std::move(made);
}

void CheckRefresh(const Plan& built, const Record& seen, const std::vector<ReplayEntry>& entries,
                  const std::vector<std::string>& lines) {
    // The listing itself: every name built, each once, in the played order when there is one.
    std::vector<NativeString> names;
    for (const Built& entry : built.entries) names.push_back(entry.name);
    if (built.onDisk) {
        std::vector<NativeString> handed = seen.handedOut;
        std::sort(handed.begin(), handed.end());
        Check(std::adjacent_find(handed.begin(), handed.end()) == handed.end(), "the listing named an entry twice");
        std::sort(names.begin(), names.end());
        if (seen.ended) Check(handed == names, "the listing missed or invented entries");
        Check(std::includes(names.begin(), names.end(), handed.begin(), handed.end()), "the listing invented entries");
    } else {
        Check(seen.handedOut.size() <= names.size() &&
                  std::equal(seen.handedOut.begin(), seen.handedOut.end(), names.begin()),
              "the played listing was not followed in order");
        if (seen.ended) Check(seen.handedOut.size() == names.size(), "the played listing ended early");
    }

    // The catalogue asked for the time of every replay name it was handed, and of nothing else.
    std::vector<NativeString> replayNames;
    for (const NativeString& name : seen.handedOut) {
        if (IsReplayName(name)) replayNames.push_back(name);
    }
    Check(seen.queried == replayNames, "the catalogue queried other names than the replays");
    Check(seen.failure.has_value() != seen.ended, "the scan neither ended nor failed");

    // The list: exactly what was read before any stop, newest first, with its time text.
    std::vector<std::pair<NativeString, std::int64_t>> listed;
    for (const ReplayEntry& entry : entries) {
        listed.emplace_back(entry.filePath, entry.lastWriteTime);
        Check(entry.displayTime.find('%') == std::string::npos, "a time text holds a %");
        Check(entry.displayTime == ExpectedTimeText(entry.lastWriteTime), "a time text is not the entry's time");
        Check(entry.filePath.size() > seen.folder.size() + 1 &&
                  IsReplayName(NativeStringView(entry.filePath).substr(seen.folder.size() + 1)),
              "a listed name is no replay name");
    }
    Check(std::is_sorted(entries.begin(), entries.end(),
                         [](const ReplayEntry& left, const ReplayEntry& right) {
                             return left.lastWriteTime > right.lastWriteTime;
                         }),
          "the list is not newest first");
    std::vector<std::pair<NativeString, std::int64_t>> read = seen.read;
    std::sort(listed.begin(), listed.end());
    std::sort(read.begin(), read.end());
    Check(listed == read, "the list is not what was read before the stop");

    // The log: the first line, the error line exactly when the scan stopped early, the count.
    const std::size_t expectedLines = seen.failure ? 3 : 2;
    Check(lines.size() == expectedLines, "wrong number of log lines");
    Check(lines.front() == "Refreshing replay list...", "wrong first log line");
    if (seen.failure) {
        Check(lines[1] == "ERROR while scanning directory: " + seen.failure->Text(), "wrong error line");
    }
    Check(lines.back() == "Sorting complete. " + std::to_string(entries.size()) + " replays found.",
          "the count line is not the list's size");
}

std::shared_ptr<Console> console;

void RemoveProfile() {
    std::error_code ignored;
    std::filesystem::remove_all(profile, ignored);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Lord Howe's rules: +10:30, and half an hour more in summer, changing at half past a UTC hour.
    // The catalogue reads the zone once, at its first conversion.
    setenv("TZ", "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", 1);
    tzset();
    char folder[] = "/tmp/tapeloom-fuzz-XXXXXX";
    Check(mkdtemp(folder) != nullptr, "no temporary folder");
    profile = folder;
    NativeString path = profile;
    for (const char* part : {"Documents", "My Games", "Corvane", "TAGame", "Demos"}) {
        path = Join(path, part);
        Check(mkdir(path.c_str(), 0755) == 0, "cannot build the profile");
    }
    demos = path;
    setenv("USERPROFILE", profile.c_str(), 1);
    std::atexit(RemoveProfile);
    console = std::make_shared<Console>();
    globalCvarManager = console;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Plan built = ReadPlan(data, size);
    if (built.onDisk) BuildOnDisk(built);
    Record seen;
    plan = &built;
    record = &seen;
    console->lines.clear();

    // The list of an earlier refresh, which the catalogue may reuse but must not show.
    std::vector<ReplayEntry> entries(static_cast<std::size_t>(built.earlierEntries));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i] = {"earlier-" + std::to_string(i) + ".replay", static_cast<std::int64_t>(i), "earlier"};
    }
    tapeloom::RefreshCatalogue(entries, OpenRecording);
    CheckRefresh(built, seen, entries, console->lines);
    plan = nullptr;
    record = nullptr;
    return 0;
}
