// The catalogue refresh over any listing. Each input plays a folder listing
// through the catalogue's seam: any bytes as names, any 64-bit write time,
// entries that vanish or whose link cannot be followed, and a listing that
// fails where the input says. The refresh is then checked against what the
// listing handed out: only ".replay" names with a stem are asked for a time and
// listed, newest first by raw time, with the runtime's local time text (Lord
// Howe's) or the placeholder and never a "%", the count line equal to the
// list, and the error line exactly when the scan stopped early, with every
// entry read before the stop and nothing left of the list it started from.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "log/Log.h"
#include "platform/platform.h"
#include "replay_catalogue.h"

namespace {

using fuzzsupport::Check;
using tapeloom::platform::Error;
using tapeloom::platform::FolderListing;
using tapeloom::platform::NativeString;
using tapeloom::platform::NativeStringView;
using Listed = std::vector<std::pair<NativeString, std::int64_t>>;

enum class Kind { File, Gone, Unfollowable };
enum class Failure { None, Open, Advance, TimeQuery, kMaxValue = TimeQuery };

// What the input asks for, and what the listing then handed out.
struct Play {
    Failure failure = Failure::None;
    std::size_t failAt = 0;
    std::vector<std::pair<Kind, std::pair<NativeString, std::int64_t>>> entries;

    NativeString folder;
    std::size_t handedOut = 0;
    std::size_t queries = 0;
    Listed read;
    std::optional<Error> stop;
    bool ended = false;
};
Play* play = nullptr;

bool IsReplayName(NativeStringView name) {
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

class PlayedListing final : public FolderListing {
public:
    Step Next(std::optional<Error>& error) override {
        Check(!play->stop && !play->ended, "the catalogue went on past the listing's end");
        if (play->failure == Failure::Advance && play->handedOut == play->failAt) {
            error = play->stop = Error{"directory_iterator::operator++", EIO, std::nullopt};
            return Step::Failed;
        }
        play->ended = play->handedOut == play->entries.size();
        return play->ended ? Step::End : (++play->handedOut, Step::Entry);
    }
    NativeStringView Name() const override { return play->entries[play->handedOut - 1].second.first; }
    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        const auto& [kind, entry] = play->entries[play->handedOut - 1];
        Check(!play->stop && IsReplayName(entry.first), "the catalogue asked for a time it has no use for");
        const NativeString path = play->folder + '/' + entry.first;
        if (kind == Kind::Gone) return ++play->queries, Time::Vanished;
        if (kind == Kind::Unfollowable || (play->failure == Failure::TimeQuery && play->queries == play->failAt)) {
            error = play->stop = Error{"directory_entry::last_write_time", ELOOP, path};
            return ++play->queries, Time::Failed;
        }
        ticks = entry.second;
        play->read.emplace_back(path, ticks);
        return ++play->queries, Time::Read;
    }
};

std::unique_ptr<FolderListing> OpenPlayed(const NativeString& folder, std::optional<Error>& error) {
    play->folder = folder;
    if (play->failure != Failure::Open) return std::make_unique<PlayedListing>();
    error = play->stop = Error{"directory_iterator::directory_iterator", EACCES, folder};
    return nullptr;
}

std::shared_ptr<fuzzsupport::Console> console;
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
    console = std::make_shared<fuzzsupport::Console>();
    globalCvarManager = console;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Play seen;
    play = &seen;
    // The list of an earlier refresh, which the catalogue may reuse but must not show.
    std::vector<ReplayEntry> entries(input.ConsumeIntegral<std::uint8_t>(), ReplayEntry{"earlier.replay", 1, "x"});
    seen.failure = input.ConsumeEnum<Failure>();
    seen.failAt = input.ConsumeIntegral<std::uint8_t>();
    while (input.remaining_bytes() > 0 && seen.entries.size() < 400) {
        const auto kind = static_cast<Kind>(input.ConsumeIntegralInRange(0, 2));
        const auto ticks = input.ConsumeIntegral<std::int64_t>();
        NativeString name = input.ConsumeRandomLengthString(4096);
        // A listing never reports these.
        if (!name.empty() && name != "." && name != "..") seen.entries.push_back({kind, {std::move(name), ticks}});
    }
    console->lines.clear();
    tapeloom::RefreshCatalogue(entries, OpenPlayed);

    Check(seen.stop.has_value() != seen.ended, "the scan neither ended nor failed");
    const auto handed = seen.entries.begin() + static_cast<std::ptrdiff_t>(seen.handedOut);
    Check(seen.queries == static_cast<std::size_t>(std::count_if(seen.entries.begin(), handed,
                                                                 [](auto& e) { return IsReplayName(e.second.first); })),
          "a replay name went without its time");
    Listed listed;
    for (const ReplayEntry& entry : entries) {
        listed.emplace_back(entry.filePath, entry.lastWriteTime);
        Check(entry.displayTime == ExpectedTimeText(entry.lastWriteTime), "a time text is not the entry's time");
    }
    Check(std::is_sorted(listed.begin(), listed.end(),
                         [](const auto& left, const auto& right) { return left.second > right.second; }),
          "the list is not newest first");
    std::sort(listed.begin(), listed.end());
    std::sort(seen.read.begin(), seen.read.end());
    Check(listed == seen.read, "the list is not what was read before the stop");
    const auto& lines = console->lines;
    Check(lines.size() == (seen.stop ? 3u : 2u) && lines.front() == "Refreshing replay list...", "wrong log lines");
    Check(!seen.stop || lines[1] == "ERROR while scanning directory: " + seen.stop->Text(), "wrong error line");
    Check(lines.back() == "Sorting complete. " + std::to_string(entries.size()) + " replays found.",
          "the count line is not the list's size");
    return 0;
}
