// What the catalogue holds per entry beyond the texts themselves (the name
// and the time; the folder once): the entry record, the spare capacity of the
// list and of its text blocks, and the allocator's own headers and rounding.
#include <malloc.h>

#include <vector>

#include <benchmark/benchmark.h>

#include "bench_profiles.h"
#include "replay_catalogue.h"

namespace {

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    // Small blocks in the arenas plus large ones mapped on their own (the list's storage).
    return info.uordblks + info.hblkhd;
}

void BM_CatalogueMemory(benchmark::State& state) {
    const bench::GeneratedProfile& profile = bench::Profile(static_cast<std::size_t>(state.range(0)));
    bench::UseProfile(profile);
    bench::SilenceLog();
    double heapPerEntry = 0;
    double ownedPerEntry = 0;
    double textPerEntry = 0;
    for (auto _ : state) {
        std::size_t before = 0;
        std::size_t after = 0;
        std::size_t texts = 0;
        std::size_t owned = 0;
        std::size_t count = 0;
        {
            ReplayCatalogue catalogue;
            before = HeapInUse();
            tapeloom::RefreshCatalogue(catalogue);
            after = HeapInUse();
            count = catalogue.entries.size();
            owned = catalogue.entries.capacity() * sizeof(ReplayEntry) + catalogue.folder.capacity() + 1 +
                    catalogue.names.capacity() * sizeof(catalogue.names[0]) + catalogue.times.capacity() + 1;
            texts = catalogue.folder.size() + catalogue.times.size();
            for (const auto& block : catalogue.names) {
                owned += block.capacity() + 1;
                texts += block.size();
            }
        }
        if (count != profile.replays) {
            state.SkipWithError("the scan found another number of replays than the folder holds");
            return;
        }
        const double entries = static_cast<double>(count);
        heapPerEntry =
            (static_cast<double>(after) - static_cast<double>(before) - static_cast<double>(texts)) / entries;
        ownedPerEntry = (static_cast<double>(owned) - static_cast<double>(texts)) / entries;
        textPerEntry = static_cast<double>(texts) / entries;
    }
    state.counters["heap_bytes_per_entry"] = heapPerEntry;
    state.counters["owned_bytes_per_entry"] = ownedPerEntry;
    state.counters["text_bytes_per_entry"] = textPerEntry;
    state.counters["record_bytes"] = static_cast<double>(sizeof(ReplayEntry));
}

} // namespace

// One refresh each: the figure is a count, not a time.
BENCHMARK(BM_CatalogueMemory)->Arg(10'000)->Arg(100'000)->Iterations(1)->Unit(benchmark::kMillisecond);
