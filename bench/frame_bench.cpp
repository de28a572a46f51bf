// One full Dear ImGui frame of the window (NewFrame, RenderFrame with its
// contents, Render) in a headless context, by number of catalogue rows.
#include <cstdio>
#include <ctime>
#include <memory>

#include <benchmark/benchmark.h>
#include <imgui.h>

#include "Tapeloom.h"
#include "bench_profiles.h"
#include "harness/ui_driver.h"

namespace {

// The rows a refresh would give: newest first, a minute apart.
void FillRows(ReplayCatalogue& catalogue, std::size_t count) {
    catalogue.folder = "/home/player/Documents/My Games/Corvane/TAGame/Demos";
    constexpr std::int64_t kNewest = 1710528127;
    constexpr std::uint32_t kNameLength = 39;
    for (std::size_t i = 0; i < count; ++i) {
        const std::time_t seconds = static_cast<std::time_t>(kNewest - 60 * static_cast<std::int64_t>(i));
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
        char name[48];
        std::snprintf(name, sizeof name, "%032zX.replay", i * 2654435761u);
        auto& names = catalogue.names;
        if (names.empty() || names.back().size() + kNameLength > ReplayCatalogue::kNameBlockLength)
            names.emplace_back();
        const auto start =
            static_cast<std::uint32_t>((names.size() - 1) * ReplayCatalogue::kNameBlockLength + names.back().size());
        catalogue.entries.push_back(
            {static_cast<std::int64_t>(seconds) * 10'000'000LL + 116'444'736'000'000'000LL, start, kNameLength});
        names.back().append(name, kNameLength);
        catalogue.times.append(text);
    }
}

void BM_Frame(benchmark::State& state) {
    bench::SilenceLog();
    sandbox::UiDriver ui;
    auto plugin = std::make_unique<Tapeloom>();
    plugin->AttachUiContext(ui.ContextAddress());
    plugin->windowOpen = true;
    FillRows(plugin->replayCatalogue, static_cast<std::size_t>(state.range(0)));
    // Placed and sized as a host places a plug-in window the first time.
    const auto draw = [&] {
        ImGui::SetNextWindowPos(ImVec2(40, 40), ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowSize(ImVec2(520, 420), ImGuiCond_FirstUseEver);
        plugin->RenderFrame();
    };
    // The first frames create the window and its child and settle their sizes.
    for (int i = 0; i < 3; ++i) ui.Frame(draw);
    for (auto _ : state) ui.Frame(draw);
    if (!plugin->windowOpen) state.SkipWithError("the window closed itself");
}

} // namespace

BENCHMARK(BM_Frame)->Arg(100)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);
