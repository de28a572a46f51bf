// A refresh (list, filter, stat, format, sort) against two references over the
// same folder: the bare system calls it cannot avoid, and the plain
// std::filesystem scan it replaces. A refresh fed from memory, with the same
// names and times, measures the catalogue's own work apart from the calls.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_profiles.h"
#include "replay_catalogue.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;

void CheckCount(benchmark::State& state, std::size_t found, std::size_t expected) {
    if (found != expected) state.SkipWithError("the scan found another number of replays than the folder holds");
}

void BM_Refresh(benchmark::State& state) {
    const bench::GeneratedProfile& profile = bench::Profile(static_cast<std::size_t>(state.range(0)));
    bench::UseProfile(profile);
    bench::SilenceLog();
    std::vector<ReplayEntry> entries;
    for (auto _ : state) {
        tapeloom::RefreshCatalogue(entries);
        benchmark::DoNotOptimize(entries.data());
    }
    CheckCount(state, entries.size(), profile.replays);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(profile.entries));
}

// The folder's names in listing order, each with the write time the disk
// listing reports (a link's target's), read once outside the measurement.
struct RecordedEntry {
    std::string name;
    std::int64_t ticks = 0;
};
std::vector<RecordedEntry> recorded;

void RecordFolder(const bench::GeneratedProfile& profile) {
    recorded.clear();
    std::optional<tapeloom::platform::Error> error;
    const auto listing = tapeloom::platform::OpenFolderListing(profile.replayFolder.native(), error);
    while (listing && listing->Next(error) == tapeloom::platform::FolderListing::Step::Entry) {
        RecordedEntry entry{std::string(listing->Name())};
        if (bench::IsReplayName(entry.name)) listing->WriteTime(entry.ticks, error);
        recorded.push_back(std::move(entry));
    }
}

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

std::unique_ptr<tapeloom::platform::FolderListing> OpenRecorded(const tapeloom::platform::NativeString&,
                                                                std::optional<tapeloom::platform::Error>&) {
    return std::make_unique<RecordedListing>();
}

// The same refresh without a system call in the listing: what is left is the
// catalogue's own work (filter, copy, local time, text, sort) and the two
// existence checks of the replay folder candidates.
void BM_RefreshFromMemory(benchmark::State& state) {
    const bench::GeneratedProfile& profile = bench::Profile(static_cast<std::size_t>(state.range(0)));
    bench::UseProfile(profile);
    bench::SilenceLog();
    RecordFolder(profile);
    std::vector<ReplayEntry> entries;
    for (auto _ : state) {
        tapeloom::RefreshCatalogue(entries, OpenRecorded);
        benchmark::DoNotOptimize(entries.data());
    }
    CheckCount(state, entries.size(), profile.replays);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(profile.entries));
}

// The floor: the listing and one fstatat per ".replay" name relative to the
// open folder; nothing kept, nothing formatted, nothing sorted.
void BM_FloorReaddirFstatat(benchmark::State& state) {
    const bench::GeneratedProfile& profile = bench::Profile(static_cast<std::size_t>(state.range(0)));
    std::size_t found = 0;
    for (auto _ : state) {
        DIR* dir = opendir(profile.replayFolder.c_str());
        const int fd = dirfd(dir);
        std::int64_t sum = 0;
        found = 0;
        while (const dirent* entry = readdir(dir)) {
            if (!bench::IsReplayName(entry->d_name)) continue;
            struct stat info {};
            if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
                sum += info.st_mtim.tv_sec;
                ++found;
            }
        }
        closedir(dir);
        benchmark::DoNotOptimize(sum);
    }
    CheckCount(state, found, profile.replays);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(profile.entries));
}

// The same text as the catalogue's, by the same means, so that the comparison
// below measures the listing and the metadata queries alone.
std::string FormatLocalTime(std::int64_t ticks) {
    const std::time_t seconds = static_cast<std::time_t>((ticks - kUnixEpochTicks) / 10'000'000);
    std::tm local{};
    char text[32];
    if (localtime_r(&seconds, &local) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return tapeloom::kUnknownTime;
    return text;
}

// The plain way: directory_iterator, the path's extension, and
// directory_entry::last_write_time, which queries the full path of each replay.
void BM_StdFilesystemScan(benchmark::State& state) {
    const bench::GeneratedProfile& profile = bench::Profile(static_cast<std::size_t>(state.range(0)));
    const fs::path folder = profile.replayFolder;
    std::vector<ReplayEntry> entries;
    for (auto _ : state) {
        entries.clear();
        for (const fs::directory_entry& item : fs::directory_iterator(folder)) {
            if (item.path().extension() != ".replay") continue;
            const auto written = std::chrono::file_clock::to_sys(item.last_write_time());
            ReplayEntry entry;
            entry.filePath = item.path().native();
            entry.lastWriteTime =
                std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>>(
                    written.time_since_epoch())
                    .count() +
                kUnixEpochTicks;
            entry.displayTime = FormatLocalTime(entry.lastWriteTime);
            entries.push_back(std::move(entry));
        }
        std::sort(entries.begin(), entries.end(), [](const ReplayEntry& left, const ReplayEntry& right) {
            return left.lastWriteTime > right.lastWriteTime;
        });
        benchmark::DoNotOptimize(entries.data());
    }
    CheckCount(state, entries.size(), profile.replays);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(profile.entries));
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_FloorReaddirFstatat)->Apply(Sizes);
BENCHMARK(BM_StdFilesystemScan)->Apply(Sizes);
BENCHMARK(BM_Refresh)->Apply(Sizes);
BENCHMARK(BM_RefreshFromMemory)->Apply(Sizes);
