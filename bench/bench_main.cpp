// Google Benchmark's main, plus modes that one refresh per process needs:
// `--refresh-once=N` runs a single refresh over the generated folder of N
// entries and exits, so that strace sees that refresh and little else;
// `--first-refresh=...` times the first refresh of the process (bench_profiles.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_profiles.h"
#include "replay_catalogue.h"

namespace {

int RefreshOnce(std::size_t size) {
    const bench::GeneratedProfile& profile = bench::Profile(size);
    bench::UseProfile(profile);
    bench::SilenceLog();
    ReplayCatalogue catalogue;
    tapeloom::RefreshCatalogue(catalogue);
    std::printf("replays %zu entries %zu listed %zu\n", profile.replays, profile.entries, catalogue.entries.size());
    return catalogue.entries.size() == profile.replays ? 0 : 1;
}

// Makes the folders before any measurement, so no benchmark pays for them.
int Prepare(std::string_view sizes) {
    while (!sizes.empty()) {
        const std::size_t comma = sizes.find(',');
        const std::size_t size = std::strtoull(std::string(sizes.substr(0, comma)).c_str(), nullptr, 10);
        bench::Profile(size);
        if (size >= 10'000) bench::Profile(size, bench::Spread::Hourly);
        sizes = comma == std::string_view::npos ? std::string_view() : sizes.substr(comma + 1);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--refresh-once=")) {
            return RefreshOnce(std::strtoull(argv[i] + std::strlen("--refresh-once="), nullptr, 10));
        }
        if (argument.starts_with("--prepare=")) return Prepare(argument.substr(std::strlen("--prepare=")));
        if (argument.starts_with("--first-refresh=")) {
            return bench::FirstRefresh(argument.substr(std::strlen("--first-refresh=")));
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
