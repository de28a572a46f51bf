#include "bench_profiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "log/Log.h"

namespace bench {

namespace {

namespace fs = std::filesystem;

// Bumped whenever the folder's shape changes, so stale folders are rebuilt.
constexpr int kLayoutVersion = 1;

fs::path DataFolder() {
    if (const char* custom = std::getenv("TAPELOOM_BENCH_DATA")) return custom;
    return TAPELOOM_BENCH_DATA;
}

// What the game writes: 32 hexadecimal digits and the extension. One name in
// ten is something else a replay folder collects.
std::string EntryName(std::mt19937_64& random, std::size_t index) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string name;
    for (int i = 0; i < 32; ++i) name.push_back(kDigits[random() % 16]);
    name.push_back('-');
    name += std::to_string(index);
    if (index % 10 != 9) return name + ".replay";
    static constexpr const char* kOthers[] = {".txt", ".REPLAY", ".replay.bak", ".tmp", ".log"};
    return name + kOthers[(index / 10) % 5];
}

void Generate(const fs::path& root, const fs::path& folder, std::size_t entries, Spread spread) {
    fs::remove_all(root);
    fs::create_directories(folder);
    std::mt19937_64 random(entries);
    // Up to 2024-03-15, to the nanosecond, in no particular order: at random
    // over four years, or each name in an hour of its own (the names in listing order are random anyway).
    constexpr std::int64_t kNewest = 1710528127;
    constexpr std::int64_t kSpan = 4LL * 365 * 86400;
    const auto secondsBack = [&](std::size_t index) {
        if (spread == Spread::Years) return static_cast<std::int64_t>(random() % kSpan);
        return static_cast<std::int64_t>(index) * 3600 + static_cast<std::int64_t>(random() % 3600);
    };
    const int dir = open(folder.c_str(), O_DIRECTORY | O_RDONLY);
    if (dir < 0) throw std::system_error(errno, std::generic_category(), "open " + folder.string());
    for (std::size_t i = 0; i < entries; ++i) {
        const std::string name = EntryName(random, i);
        const int file = openat(dir, name.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (file < 0) throw std::system_error(errno, std::generic_category(), "create " + name);
        const timespec times[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(kNewest - secondsBack(i)), static_cast<long>(random() % 1'000'000'000)}};
        const bool timed = futimens(file, times) == 0;
        close(file);
        if (!timed) throw std::system_error(errno, std::generic_category(), "time " + name);
    }
    close(dir);
    std::ofstream(root / "complete") << kLayoutVersion << ' ' << entries << '\n';
}

} // namespace

const GeneratedProfile& Profile(std::size_t entries, Spread spread) {
    static std::map<std::pair<std::size_t, Spread>, GeneratedProfile> made;
    auto found = made.find({entries, spread});
    if (found != made.end()) return found->second;

    GeneratedProfile profile;
    profile.root =
        DataFolder() / ((spread == Spread::Hourly ? "profile-hourly-" : "profile-") + std::to_string(entries));
    profile.replayFolder = profile.root / "Documents" / "My Games" / "Corvane" / "TAGame" / "Demos";
    profile.entries = entries;
    profile.replays = entries - entries / 10;
    profile.spread = spread;

    int version = 0;
    std::size_t count = 0;
    std::ifstream(profile.root / "complete") >> version >> count;
    if (version != kLayoutVersion || count != entries) {
        std::fprintf(stderr, "generating %zu entries in %s\n", entries, profile.replayFolder.c_str());
        Generate(profile.root, profile.replayFolder, entries, spread);
    }
    return made.emplace(std::pair(entries, spread), std::move(profile)).first->second;
}

void UseProfile(const GeneratedProfile& profile) {
    setenv("USERPROFILE", profile.root.c_str(), 1);
}

void SilenceLog() {
    if (!globalCvarManager) globalCvarManager = std::make_shared<NullConsole>();
}

bool IsReplayName(std::string_view name) {
    constexpr std::string_view kExtension = ".replay";
    return name.size() > kExtension.size() && name.ends_with(kExtension);
}

std::size_t FloorPass(const GeneratedProfile& profile) {
    DIR* dir = opendir(profile.replayFolder.c_str());
    if (dir == nullptr) return 0;
    const int fd = dirfd(dir);
    std::int64_t sum = 0;
    std::size_t found = 0;
    while (const dirent* entry = readdir(dir)) {
        if (!IsReplayName(entry->d_name)) continue;
        struct stat info {};
        if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            sum += info.st_mtim.tv_sec;
            ++found;
        }
    }
    closedir(dir);
    benchmark::DoNotOptimize(sum);
    return found;
}

namespace {

struct RecordedEntry {
    std::string name;
    std::int64_t ticks = 0;
};
std::vector<RecordedEntry> recorded;

class RecordedListing final : public tapeloom::platform::FolderListing {
public:
    Step Next(std::optional<tapeloom::platform::Error>&) override {
        if (next == recorded.size()) return Step::End;
        current = &recorded[next++];
        return Step::Entry;
    }
    tapeloom::platform::NativeStringView Name() const override { return current->name; }
    Time WriteTime(std::int64_t& ticks, std::optional<tapeloom::platform::Error>&) override {
        ticks = current->ticks;
        return Time::Read;
    }

private:
    std::size_t next = 0;
    const RecordedEntry* current = nullptr;
};

} // namespace

void RecordFolder(const GeneratedProfile& profile) {
    recorded.clear();
    std::optional<tapeloom::platform::Error> error;
    const auto listing = tapeloom::platform::OpenFolderListing(profile.replayFolder.native(), error);
    while (listing && listing->Next(error) == tapeloom::platform::FolderListing::Step::Entry) {
        RecordedEntry entry{std::string(listing->Name())};
        if (IsReplayName(entry.name)) listing->WriteTime(entry.ticks, error);
        recorded.push_back(std::move(entry));
    }
}

std::unique_ptr<tapeloom::platform::FolderListing> OpenRecorded(const tapeloom::platform::NativeString&,
                                                                std::optional<tapeloom::platform::Error>&) {
    return std::make_unique<RecordedListing>();
}

} // namespace bench
