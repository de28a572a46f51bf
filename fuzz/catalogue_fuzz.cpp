// The catalogue refresh over any listing played through its seam: names of
// any bytes, any 64-bit write time, entries that vanish or whose link cannot be
// followed. Checked on every input: only ".replay" names with a stem are asked
// for a time; the list is exactly what was read before the scan stopped,
// newest first, each with the runtime's own local time text (in a zone whose
// summer shift comes at half past a UTC hour) or the placeholder; nothing of
// the list the refresh started from is left; the log says how the scan ended.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "log/Log.h"
#include "replay_catalogue.h"
#include "test_host/fake_host.h"

namespace {

using tapeloom::platform::Error;
using tapeloom::platform::FolderListing;
using tapeloom::platform::NativeString;
using Listed = std::vector<std::pair<NativeString, std::int64_t>>;

void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

bool IsReplayName(const NativeString& name) {
    return name.size() > 7 && name.ends_with(".replay");
}

// The runtime's own conversion, in the zone set below.
std::string ExpectedTimeText(std::int64_t ticks) {
    const auto seconds =
        static_cast<std::int64_t>((static_cast<__int128>(ticks) - 116'444'736'000'000'000) / 10'000'000);
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[64];
    if (seconds < 0 || seconds > 32'536'799'999 || localtime_r(&time, &local) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        return tapeloom::kUnknownTime;
    }
    return text;
}

// An entry: 0 a file, 1 gone before its time is read, 2 a link that cannot be followed.
struct Play {
    std::vector<std::pair<int, std::pair<NativeString, std::int64_t>>> entries;
    std::size_t next = 0;
    std::size_t queries = 0;
    Listed read;
    std::optional<Error> stop;
};
Play* play = nullptr;

struct PlayedListing final : FolderListing {
    explicit PlayedListing(NativeString path) : folder(std::move(path)) {}
    Step Next(std::optional<Error>&) override {
        Check(!play->stop, "the catalogue went on past a failure");
        return play->next == play->entries.size() ? Step::End : (++play->next, Step::Entry);
    }
    tapeloom::platform::NativeStringView Name() const override { return play->entries[play->next - 1].second.first; }
    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        const auto& [kind, entry] = play->entries[play->next - 1];
        Check(IsReplayName(entry.first), "the catalogue asked for a time it has no use for");
        ++play->queries;
        if (kind == 1) return Time::Vanished;
        if (kind == 2) {
            error = play->stop = Error{"directory_entry::last_write_time", ELOOP, folder + '/' + entry.first};
            return Time::Failed;
        }
        play->read.emplace_back(folder + '/' + entry.first, ticks = entry.second);
        return Time::Read;
    }
    NativeString folder;
};

std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
std::string profile;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Lord Howe's rules: +10:30, and half an hour more in summer, changing at half past a UTC hour.
    // The catalogue reads the zone once, at its first conversion.
    setenv("TZ", "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", 1);
    tzset();
    char folder[] = "/tmp/tapeloom-fuzz-XXXXXX";
    Check(mkdtemp(folder) != nullptr, "no temporary folder");
    profile = folder;
    std::filesystem::create_directories(profile + "/Documents/My Games/Corvane/TAGame/Demos");
    setenv("USERPROFILE", profile.c_str(), 1);
    std::atexit([] { std::filesystem::remove_all(profile); });
    globalCvarManager = console;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Play seen;
    play = &seen;
    ReplayCatalogue catalogue;
    std::vector<ReplayEntry>& entries = catalogue.entries;
    entries.assign(input.ConsumeIntegral<std::uint8_t>(), ReplayEntry{1, 0, 0});
    while (input.remaining_bytes() > 0 && seen.entries.size() < 400) {
        const int kind = input.ConsumeIntegralInRange(0, 9) / 8; // mostly files
        const auto ticks = input.ConsumeIntegral<std::int64_t>();
        NativeString name = input.ConsumeRandomLengthString(4096);
        if (!name.empty() && name != "." && name != "..") seen.entries.push_back({kind, {std::move(name), ticks}});
    }
    console->lines.clear();
    tapeloom::RefreshCatalogue(catalogue, [](const NativeString& folder, std::optional<Error>&) {
        return std::unique_ptr<FolderListing>(new PlayedListing(folder));
    });

    const auto handed = seen.entries.begin() + static_cast<std::ptrdiff_t>(seen.next);
    Check(seen.queries == static_cast<std::size_t>(std::count_if(seen.entries.begin(), handed,
                                                                 [](auto& e) { return IsReplayName(e.second.first); })),
          "a replay name went without its time");
    Listed listed;
    for (std::size_t row = 0; row < entries.size(); ++row) {
        listed.emplace_back(catalogue.FilePath(row), entries[row].lastWriteTime);
        Check(catalogue.DisplayTime(row) == ExpectedTimeText(entries[row].lastWriteTime),
              "a time text is not the entry's time");
    }
    Check(std::is_sorted(listed.begin(), listed.end(), [](auto& l, auto& r) { return l.second > r.second; }),
          "the list is not newest first");
    std::sort(listed.begin(), listed.end());
    std::sort(seen.read.begin(), seen.read.end());
    Check(listed == seen.read, "the list is not what was read before the stop");
    const auto& lines = console->lines;
    Check(lines.size() == (seen.stop ? 3u : 2u) && lines.front() == "Refreshing replay list...", "wrong log lines");
    Check(!seen.stop || lines[1] == "ERROR while scanning directory: " + seen.stop->Text(), "wrong error line");
    Check(lines.back() == "Sorting complete. " + std::to_string(entries.size()) + " replays found.", "wrong count");
    return 0;
}
