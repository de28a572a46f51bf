// The catalogue refresh over any listing. Each input plays a folder listing
// through the catalogue's seam: any bytes as names, any 64-bit write time,
// entries that vanish or whose time cannot be read, and a listing that fails
// where the input says. The refresh is then checked against what the listing
// handed out: only ".replay" names with a stem, newest first by raw time, the
// time text the calendar gives (UTC here) or the placeholder and never a "%",
// the count line equal to the list, and the error line exactly when the scan
// stopped early, with every entry read before the stop and nothing left of
// the list the refresh started from.
//
// Input: four header bytes, then entries until the input ends.
//   [0] entries of an earlier list    [1] % 8: 5 opening fails, 6 advancing fails, 7 a time query fails
//   [2] the entry or query at which that failure strikes    [3] the query whose entry vanishes (255: none)
//   entry: kind (% 3: file, gone, unfollowable link), time (8 bytes, little-endian ticks since 1601),
//          name length (2 bytes), name
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
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

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;
constexpr std::int64_t kLastLocalSecond = 32'536'799'999;

struct Entry {
    int kind = 0; // 0 a file, 1 gone before its time is read, 2 a link that cannot be followed
    std::int64_t ticks = 0;
    NativeString name;
};

// What the input asks for, and what the listing then handed out.
struct Play {
    int earlier = 0;
    int failure = 0; // 5 open, 6 advance, 7 time query
    int failAt = 0;
    int vanishAt = -1;
    std::vector<Entry> entries;

    NativeString folder;
    std::size_t handedOut = 0;
    int queries = 0;
    std::vector<std::pair<NativeString, std::int64_t>> read;
    std::optional<Error> stop;
    bool ended = false;
};
Play* play = nullptr;

Play ReadPlay(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    auto byte = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    Play input;
    input.earlier = byte();
    input.failure = byte() % 8;
    input.failAt = byte();
    const int vanish = byte();
    input.vanishAt = vanish == 255 ? -1 : vanish;
    while (at < size && input.entries.size() < 400) {
        Entry entry;
        entry.kind = byte() % 3;
        std::uint64_t ticks = 0;
        for (int i = 0; i < 8; ++i) ticks |= std::uint64_t{byte()} << (8 * i);
        entry.ticks = static_cast<std::int64_t>(ticks);
        std::size_t length = byte();
        length = std::min<std::size_t>((length | std::size_t{byte()} << 8) % 4097, size - at);
        entry.name.assign(reinterpret_cast<const char*>(data + at), length);
        at += length;
        // A listing never reports these.
        if (!entry.name.empty() && entry.name != "." && entry.name != "..") input.entries.push_back(std::move(entry));
    }
    return input;
}

// The oracle's own reading of the extension rule.
bool IsReplayName(NativeStringView name) {
    return name.size() > 7 && name.ends_with(".replay");
}

// The runtime's own conversion, in the zone set below.
std::string ExpectedTimeText(std::int64_t ticks) {
    const auto seconds = static_cast<std::int64_t>((static_cast<__int128>(ticks) - kUnixEpochTicks) / kTicksPerSecond);
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
    return folder + '/' + NativeString(name);
}

class PlayedListing final : public FolderListing {
public:
    Step Next(std::optional<Error>& error) override {
        Check(!play->stop && !play->ended, "the catalogue went on past the listing's end");
        if (play->failure == 6 && play->handedOut == static_cast<std::size_t>(play->failAt)) {
            error = play->stop = Error{"directory_iterator::operator++", EIO, std::nullopt};
            return Step::Failed;
        }
        if (play->handedOut == play->entries.size()) {
            play->ended = true;
            return Step::End;
        }
        ++play->handedOut;
        return Step::Entry;
    }
    NativeStringView Name() const override { return play->entries[play->handedOut - 1].name; }
    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        Check(!play->stop, "the catalogue asked for a time after the listing failed");
        const Entry& entry = play->entries[play->handedOut - 1];
        Check(IsReplayName(entry.name), "the catalogue asked for the time of a name it does not list");
        const int query = play->queries++;
        if (query == play->vanishAt || entry.kind == 1) return Time::Vanished;
        if ((play->failure == 7 && query == play->failAt) || entry.kind == 2) {
            error = play->stop = Error{"directory_entry::last_write_time", ELOOP, Join(play->folder, entry.name)};
            return Time::Failed;
        }
        ticks = entry.ticks;
        play->read.emplace_back(Join(play->folder, entry.name), ticks);
        return Time::Read;
    }
};

std::unique_ptr<FolderListing> OpenPlayed(const NativeString& folder, std::optional<Error>& error) {
    play->folder = folder;
    if (play->failure == 5) {
        error = play->stop = Error{"directory_iterator::directory_iterator", EACCES, folder};
        return nullptr;
    }
    return std::make_unique<PlayedListing>();
}

void CheckRefresh(const Play& seen, const std::vector<ReplayEntry>& entries, const std::vector<std::string>& lines) {
    Check(seen.stop.has_value() != seen.ended, "the scan neither ended nor failed");
    std::size_t replayNames = 0;
    for (std::size_t i = 0; i < seen.handedOut; ++i) replayNames += IsReplayName(seen.entries[i].name) ? 1 : 0;
    Check(static_cast<std::size_t>(seen.queries) == replayNames, "a replay name went without its time");

    // The list: exactly what was read before any stop, newest first, with its time text.
    std::vector<std::pair<NativeString, std::int64_t>> listed;
    for (const ReplayEntry& entry : entries) {
        listed.emplace_back(entry.filePath, entry.lastWriteTime);
        Check(entry.displayTime.find('%') == std::string::npos, "a time text holds a %");
        Check(entry.displayTime == ExpectedTimeText(entry.lastWriteTime), "a time text is not the entry's time");
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
    Check(lines.size() == (seen.stop ? 3u : 2u), "wrong number of log lines");
    Check(lines.front() == "Refreshing replay list...", "wrong first log line");
    Check(!seen.stop || lines[1] == "ERROR while scanning directory: " + seen.stop->Text(), "wrong error line");
    Check(lines.back() == "Sorting complete. " + std::to_string(entries.size()) + " replays found.",
          "the count line is not the list's size");
}

std::shared_ptr<fuzzsupport::Console> console;
std::string profile;

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
    std::filesystem::create_directories(profile + "/Documents/My Games/Corvane/TAGame/Demos");
    setenv("USERPROFILE", profile.c_str(), 1);
    std::atexit(RemoveProfile);
    console = std::make_shared<fuzzsupport::Console>();
    globalCvarManager = console;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Play input = ReadPlay(data, size);
    play = &input;
    console->lines.clear();
    // The list of an earlier refresh, which the catalogue may reuse but must not show.
    std::vector<ReplayEntry> entries(static_cast<std::size_t>(input.earlier), ReplayEntry{"earlier.replay", 1, "x"});
    tapeloom::RefreshCatalogue(entries, OpenPlayed);
    CheckRefresh(input, entries, console->lines);
    play = nullptr;
    return 0;
}
