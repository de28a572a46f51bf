// The refresh a player meets first: the window's first opening in a game
// session, with nothing cached and an empty list. One refresh per process, so
// scripts/bench starts a fresh process for every figure; the floor's first
// pass is taken in the same process, before or after the refresh as told,
// so that the two share whatever the process start leaves warm or cold.
#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench_profiles.h"
#include "replay_catalogue.h"

namespace bench {

namespace {

std::int64_t ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

std::vector<std::string_view> Split(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t comma; (comma = text.find(',')) != std::string_view::npos; text.remove_prefix(comma + 1)) {
        parts.push_back(text.substr(0, comma));
    }
    parts.push_back(text);
    return parts;
}

} // namespace

int FirstRefresh(std::string_view request) {
    const std::vector<std::string_view> parts = Split(request);
    if (parts.size() != 4) {
        std::fprintf(stderr, "--first-refresh=SIZE,years|hourly,disk|memory,floor-first|refresh-first\n");
        return 2;
    }
    const std::size_t size = std::stoull(std::string(parts[0]));
    const GeneratedProfile& profile = Profile(size, parts[1] == "hourly" ? Spread::Hourly : Spread::Years);
    const bool fromMemory = parts[2] == "memory";
    const bool floorFirst = parts[3] == "floor-first";
    UseProfile(profile);
    SilenceLog();
    if (fromMemory) RecordFolder(profile);

    ReplayCatalogue catalogue;
    std::int64_t floorTime = 0;
    std::int64_t refreshTime = 0;
    long refreshFaults = 0;
    std::size_t floorFound = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const long faults = MinorFaults();
        const std::int64_t start = ThreadCpuNanoseconds();
        if ((pass == 0) == floorFirst) {
            floorFound = FloorPass(profile);
            floorTime = ThreadCpuNanoseconds() - start;
        } else {
            tapeloom::RefreshCatalogue(catalogue, fromMemory ? OpenRecorded : tapeloom::platform::OpenFolderListing);
            refreshTime = ThreadCpuNanoseconds() - start;
            refreshFaults = MinorFaults() - faults;
        }
    }
    std::printf("{\"size\": %zu, \"spread\": \"%.*s\", \"source\": \"%.*s\", \"order\": \"%.*s\", "
                "\"floor_ns\": %lld, \"refresh_ns\": %lld, \"refresh_faults\": %ld}\n",
                size, static_cast<int>(parts[1].size()), parts[1].data(), static_cast<int>(parts[2].size()),
                parts[2].data(), static_cast<int>(parts[3].size()), parts[3].data(), static_cast<long long>(floorTime),
                static_cast<long long>(refreshTime), refreshFaults);
    if (catalogue.entries.size() != profile.replays || floorFound != profile.replays) {
        std::fprintf(stderr, "the scan found another number of replays than the folder holds\n");
        return 1;
    }
    return 0;
}

} // namespace bench
