// A refresh (list, filter, stat, format, sort) against two references over the
// same folder: the bare system calls it cannot avoid, and the plain
// std::filesystem scan it replaces. A refresh fed from memory, with the same
// names and times, measures the catalogue's own work apart from the calls.
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

// Arguments: the folder's entries, then 1 for one replay per hour.
const bench::GeneratedProfile& Profile(const benchmark::State& state) {
    return bench::Profile(static_cast<std::size_t>(state.range(0)),
                          state.range(1) != 0 ? bench::Spread::Hourly : bench::Spread::Years);
}

void BM_Refresh(benchmark::State& state) {
    const bench::GeneratedProfile& profile = Profile(state);
    bench::UseProfile(profile);
    bench::SilenceLog();
    ReplayCatalogue catalogue;
    for (auto _ : state) {
        tapeloom::RefreshCatalogue(catalogue);
        benchmark::DoNotOptimize(catalogue.entries.data());
    }
    CheckCount(state, catalogue.entries.size(), profile.replays);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(profile.entries));
}

// The same refresh without a system call in the listing: what is left is the
// catalogue's own work (filter, copy, local time, text, sort) and the two
// existence checks of the replay folder candidates.
void BM_RefreshFromMemory(benchmark::State& state) {
    const bench::GeneratedProfile& profile = Profile(state);
    bench::UseProfile(profile);
    bench::SilenceLog();
    bench::RecordFolder(profile);
    ReplayCatalogue catalogue;
    for (auto _ : state) {
        tapeloom::RefreshCatalogue(catalogue, bench::OpenRecorded);
        benchmark::DoNotOptimize(catalogue.entries.data());
    }
    CheckCount(state, catalogue.entries.size(), profile.replays);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(profile.entries));
}

void BM_FloorReaddirFstatat(benchmark::State& state) {
    const bench::GeneratedProfile& profile = Profile(state);
    std::size_t found = 0;
    for (auto _ : state) found = bench::FloorPass(profile);
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
// directory_entry::last_write_time, which queries the full path of each
// replay; each entry owns its strings.
struct PlainEntry {
    std::string filePath;
    std::int64_t lastWriteTime = 0;
    std::string displayTime;
};

void BM_StdFilesystemScan(benchmark::State& state) {
    const bench::GeneratedProfile& profile = Profile(state);
    const fs::path folder = profile.replayFolder;
    std::vector<PlainEntry> entries;
    for (auto _ : state) {
        entries.clear();
        for (const fs::directory_entry& item : fs::directory_iterator(folder)) {
            if (item.path().extension() != ".replay") continue;
            const auto written = std::chrono::file_clock::to_sys(item.last_write_time());
            PlainEntry entry;
            entry.filePath = item.path().native();
            entry.lastWriteTime =
                std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>>(
                    written.time_since_epoch())
                    .count() +
                kUnixEpochTicks;
            entry.displayTime = FormatLocalTime(entry.lastWriteTime);
            entries.push_back(std::move(entry));
        }
        std::sort(entries.begin(), entries.end(), [](const PlainEntry& left, const PlainEntry& right) {
            return left.lastWriteTime > right.lastWriteTime;
        });
        benchmark::DoNotOptimize(entries.data());
    }
    CheckCount(state, entries.size(), profile.replays);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(profile.entries));
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Args({1'000, 0})->Args({10'000, 0})->Args({100'000, 0})->Unit(benchmark::kMicrosecond);
}
void SizesAndHourly(benchmark::internal::Benchmark* bench) {
    Sizes(bench);
    bench->Args({10'000, 1})->Args({100'000, 1});
}

} // namespace

BENCHMARK(BM_FloorReaddirFstatat)->Apply(SizesAndHourly);
BENCHMARK(BM_StdFilesystemScan)->Apply(Sizes);
BENCHMARK(BM_Refresh)->Apply(SizesAndHourly);
BENCHMARK(BM_RefreshFromMemory)->Apply(SizesAndHourly);
