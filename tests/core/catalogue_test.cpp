// The replay catalogue against real profile folders and through its listing
// seam: which folder is listed, which names count, the order and the time text,
// and what each failure of the disk leaves in the log and the list.
#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "log/Log.h"
#include "replay_catalogue.h"
#include "test_host/fake_host.h"
#include "test_host/replay_profile.h"

#if defined(_WIN32)
#include "platform/platform_win32.h"
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#endif

namespace {

namespace fs = std::filesystem;
using tapeloom::platform::Error;
using tapeloom::platform::FolderListing;
using tapeloom::platform::NativeString;
using testhost::kMarch2024;
using testhost::kTicksPerSecond;
using testhost::WriteFile;
using Lines = std::vector<std::string>;

constexpr std::int64_t kEpoch = testhost::TicksFromUnixSeconds(0);
const fs::path kGameFolders = fs::path("Documents") / "My Games" / "Corvane" / "TAGame";

// Where the listing played through the seam breaks. Code 5 is an I/O or
// access failure on both platforms.
struct Breaks {
    bool failOpen = false;
    int failAdvanceAfter = -1;                                // entries handed out before advancing fails
    int failTimeAt = -1;                                      // the time query that fails, as for a link without target
    int vanishAt = -1;                                        // the time query whose entry is gone
    std::map<NativeString, std::int64_t> times;               // replace the file system's time of these names
    std::vector<std::pair<std::int64_t, NativeString>> timed; // times read, in listing order
    NativeString failedPath;
};
Breaks* breaks = nullptr;

class BrokenListing final : public FolderListing {
public:
    BrokenListing(std::unique_ptr<FolderListing> listing, NativeString path)
        : real(std::move(listing)), folder(std::move(path)) {}

    Step Next(std::optional<Error>& error) override {
        if (handedOut == breaks->failAdvanceAfter) {
            error = Error{"directory_iterator::operator++", 5, std::nullopt};
            return Step::Failed;
        }
        const Step step = real->Next(error);
        if (step == Step::Entry) ++handedOut;
        return step;
    }
    tapeloom::platform::NativeStringView Name() const override { return real->Name(); }
    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        const NativeString path = folder + fs::path::preferred_separator + NativeString(Name());
        const int query = queries++;
        if (query == breaks->vanishAt) return Time::Vanished;
        if (query == breaks->failTimeAt) {
            breaks->failedPath = path;
            error = Error{"directory_entry::last_write_time", 5, path};
            return Time::Failed;
        }
        const Time time = real->WriteTime(ticks, error);
        if (auto replaced = breaks->times.find(NativeString(Name())); replaced != breaks->times.end())
            ticks = replaced->second;
        if (time == Time::Read) breaks->timed.emplace_back(ticks, path);
        return time;
    }

private:
    std::unique_ptr<FolderListing> real;
    NativeString folder;
    int handedOut = 0;
    int queries = 0;
};

std::unique_ptr<FolderListing> OpenBroken(const NativeString& folder, std::optional<Error>& error) {
    if (breaks->failOpen) {
        error = Error{"directory_iterator::directory_iterator", 5, folder};
        return nullptr;
    }
    auto real = tapeloom::platform::OpenFolderListing(folder, error);
    return real ? std::make_unique<BrokenListing>(std::move(real), folder) : nullptr;
}

// Names and times played from memory, for lists longer than a test should write to disk.
std::vector<std::pair<NativeString, std::int64_t>>* inMemory = nullptr;

class PlayedListing final : public FolderListing {
public:
    Step Next(std::optional<Error>&) override { return next < inMemory->size() ? (++next, Step::Entry) : Step::End; }
    tapeloom::platform::NativeStringView Name() const override { return (*inMemory)[next - 1].first; }
    Time WriteTime(std::int64_t& ticks, std::optional<Error>&) override {
        ticks = (*inMemory)[next - 1].second;
        return Time::Read;
    }

private:
    std::size_t next = 0;
};

std::unique_ptr<FolderListing> OpenPlayed(const NativeString&, std::optional<Error>&) {
    return std::make_unique<PlayedListing>();
}

std::string Narrow(const fs::path& path) {
    return tapeloom::platform::NarrowForLog(path.native());
}

// Lines as written, where "<message>" stands for the system's text for an
// error code, which differs between systems: present, without trailing blanks.
void ExpectLines(const Lines& actual, const Lines& expected) {
    ASSERT_EQ(actual.size(), expected.size()) << testing::PrintToString(actual);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::size_t at = expected[i].find("<message>");
        if (at == std::string::npos) {
            EXPECT_EQ(actual[i], expected[i]);
            continue;
        }
        const std::string before = expected[i].substr(0, at);
        const std::string after = expected[i].substr(at + 9);
        ASSERT_GT(actual[i].size(), before.size() + after.size()) << actual[i];
        EXPECT_TRUE(actual[i].starts_with(before) && actual[i].ends_with(after)) << actual[i];
        const char last = actual[i][actual[i].size() - after.size() - 1];
        EXPECT_FALSE(last == ' ' || last == '\n' || last == '\r') << actual[i];
    }
}

Lines Counted(std::size_t count) {
    return {"Refreshing replay list...", "Sorting complete. " + std::to_string(count) + " replays found."};
}
Lines Failed(const std::string& error, std::size_t count) {
    return {"Refreshing replay list...", "ERROR while scanning directory: " + error,
            "Sorting complete. " + std::to_string(count) + " replays found."};
}

class Catalogue : public testing::Test {
public:
    void SetUp() override { globalCvarManager = console; }
    void TearDown() override {
        globalCvarManager.reset();
        breaks = nullptr;
    }

    fs::path Game() const { return profile.GameFolder(); }
    fs::path MakeFolder(const fs::path& name) {
        fs::create_directories(Game() / name);
        return Game() / name;
    }
    // A refresh that starts from a list of an earlier one, which must not show.
    void Refresh(tapeloom::platform::OpenListingFunction open = tapeloom::platform::OpenFolderListing) {
        console->lines.clear();
        entries.assign(12, ReplayEntry{1, 0, 0});
        catalogue.times.assign(12 * 19, 'x');
        tapeloom::RefreshCatalogue(catalogue, open);
    }
    std::vector<NativeString> Paths() const {
        std::vector<NativeString> paths;
        for (std::size_t row = 0; row < entries.size(); ++row) paths.push_back(catalogue.FilePath(row));
        return paths;
    }
    // The folder as the catalogue must join it: exactly one of the system's separators before the name.
    static NativeString Joined(const fs::path& folder, const fs::path& name) {
        return folder.native() + fs::path::preferred_separator + name.native();
    }

    testhost::ReplayProfile profile{""};
    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
    ReplayCatalogue catalogue;
    std::vector<ReplayEntry>& entries = catalogue.entries;
};

TEST_F(Catalogue, FolderChoiceFollowsTheFoldersFromOneRefreshToTheNext) {
    const fs::path demos = MakeFolder("Demos"), epic = Game() / "DemosEpic";
    WriteFile(demos / "a.replay", kMarch2024);
    Refresh();
    EXPECT_EQ(console->lines, Counted(1));
    EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(demos, "a.replay")});
#if !defined(_WIN32)
    fs::create_symlink(profile.root / "nowhere", epic); // dangling: absent
    Refresh();
    EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(demos, "a.replay")});
    fs::remove(epic);
    fs::create_symlink("DemosEpic", epic); // a link to itself cannot be tested: said so, never skipped
    Refresh();
    ExpectLines(console->lines, Failed("exists: <message>: \"" + Narrow(epic) + "\"", 0));
    fs::remove(epic);
#endif
    WriteFile(epic, kMarch2024); // a file named DemosEpic is chosen, and cannot be listed
    Refresh();
    ExpectLines(console->lines,
                Failed("directory_iterator::directory_iterator: <message>: \"" + Narrow(epic) + "\"", 0));
    fs::remove(epic);
    MakeFolder("DemosEpic"); // DemosEpic wins even when empty
    Refresh();
    EXPECT_EQ(console->lines, Counted(0));
    fs::remove_all(epic);
    fs::remove_all(demos);
    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "No replay directory found."}));
    EXPECT_TRUE(entries.empty());
    WriteFile(MakeFolder("Demos") / "a.replay", kMarch2024);
    Refresh();
    EXPECT_EQ(console->lines, Counted(1));
    // Profiles no folder can lie under: each not-found answer is "absent", never an error line.
    WriteFile(profile.root / "file", kMarch2024);
    for (const fs::path& name : {fs::path("file"), fs::path("a*b"), fs::path(std::string(256, 'p'))}) {
        SCOPED_TRACE(name.string().substr(0, 8)); // through a file; a name Windows refuses; a name too long
        testhost::SetEnvironment("USERPROFILE", (profile.root / name).string());
        Refresh();
        EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "No replay directory found."}));
    }
    testhost::SetEnvironment("USERPROFILE", std::nullopt);
    Refresh();
    EXPECT_EQ(console->lines, Lines{"Refreshing replay list..."});
    EXPECT_TRUE(entries.empty());
}

TEST_F(Catalogue, AnEmptyProfileIsLookedForUnderTheCurrentFolder) {
#if defined(_WIN32)
    // The C runtime cannot hold an empty variable; a bare drive is the nearest
    // relative profile, and resolves against that drive's current folder.
    const std::string profileText = profile.root.root_name().string();
#else
    const std::string profileText;
#endif
    WriteFile(MakeFolder("Demos") / "a.replay", kMarch2024);
    const fs::path previous = fs::current_path();
    fs::current_path(profile.root);
    testhost::SetEnvironment("USERPROFILE", profileText);
    Refresh();
    fs::current_path(previous);
    EXPECT_EQ(Paths(),
              std::vector<NativeString>{fs::path(profileText).native() + Joined(kGameFolders / "Demos", "a.replay")});
}

TEST_F(Catalogue, OnlyTheExactExtensionAfterAStemIsListed) {
    const fs::path demos = MakeFolder("Demos");
    std::int64_t ticks = kMarch2024;
    // Distinct stems: Windows names ignore case, and a trailing dot is stripped there.
    for (const char* name :
         {"x.REPLAY", "y.Replay", ".replay", "a.replay.bak", "replay", "a_replay", "a.b.replay", "a.replay"}) {
        WriteFile(demos / name, ticks += kTicksPerSecond);
    }
#if defined(_WIN32)
    // Cyrillic and CJK lie outside every single-byte ANSI code page.
    const std::vector<fs::path> foreign = {L"\u0416\u0443\u0440\u043d\u0430\u043b.replay", L"\u6bd4\u8d5b.replay"};
#else
    // Bytes that are no valid UTF-8 are a name all the same.
    const std::vector<fs::path> foreign = {"\xd0\x96\xe4\xb8\xad.replay", "\xff\xfe.replay"};
#endif
    WriteFile(demos / foreign[0], kMarch2024 - kTicksPerSecond);
    WriteFile(demos / foreign[1], kMarch2024 - 2 * kTicksPerSecond);
    fs::create_directory(demos / "old.replay");
    testhost::SetWriteTime(demos / "old.replay", kMarch2024 - 3 * kTicksPerSecond);
    Refresh();
    EXPECT_EQ(Paths(), (std::vector<NativeString>{Joined(demos, "a.replay"), Joined(demos, "a.b.replay"),
                                                  Joined(demos, foreign[0]), Joined(demos, foreign[1]),
                                                  Joined(demos, "old.replay")}));
    EXPECT_EQ(console->lines, Counted(5));
}

// Whether the C runtime itself converts the second to local time.
bool RuntimeConverts(std::int64_t seconds) {
    std::tm local{};
#if defined(_WIN32)
    const __time64_t time = seconds;
    return _localtime64_s(&local, &time) == 0;
#else
    const std::time_t time = seconds;
    return localtime_r(&time, &local) != nullptr;
#endif
}

TEST_F(Catalogue, NewestFirstByRawTimeWithTheTimeAsLocalText) {
    // TZ=UTC. Times the listing hands over, each on its own name; "disk" keeps the file system's own.
    const std::string unknown = tapeloom::kUnknownTime;
    // The last second shown. The mingw build converts through msvcrt.dll's
    // _localtime64 (mingw's _localtime64_s wraps it), and Wine's msvcrt.dll stops
    // at 3001-01-01 07:59:59 UTC; the universal C runtime goes on to here.
    const std::int64_t last = 32'536'799'999;
    if (!RuntimeConverts(last)) std::printf("[   NOTE   ] this C runtime cannot show 3001-01-19 07:59:59 UTC\n");
    struct Row {
        const char* name;
        std::int64_t ticks;
        std::string shown;
    };
    const std::vector<Row> rows = {
        {"max", std::numeric_limits<std::int64_t>::max(), unknown},
        {"after3001", kEpoch + 32'536'800'000 * kTicksPerSecond, unknown},
        {"last3001", kEpoch + last * kTicksPerSecond, RuntimeConverts(last) ? "3001-01-19 07:59:59" : unknown},
        {"msvcrt3001", kEpoch + 32'535'244'799 * kTicksPerSecond, "3001-01-01 07:59:59"},
        {"disk", 133'550'017'279'999'999, "2024-03-15 18:42:07"},   // a fraction of a second is dropped
        {"twin-a", 133'550'017'275'000'000, "2024-03-15 18:42:07"}, // equal times are both listed
        {"twin-b", 133'550'017'275'000'000, "2024-03-15 18:42:07"},
        {"january", testhost::TicksFromUnixSeconds(1704085200), "2024-01-01 05:00:00"},
        {"epoch", kEpoch, "1970-01-01 00:00:00"},
        {"tickbefore", kEpoch - 1, "1970-01-01 00:00:00"}, // truncated toward zero
        {"secondbefore", kEpoch - kTicksPerSecond, unknown},
        {"min", std::numeric_limits<std::int64_t>::min(), unknown},
    };
    Breaks played;
    breaks = &played;
    const fs::path demos = MakeFolder("Demos");
    for (const Row& row : rows) {
        const fs::path name = std::string(row.name) + ".replay";
        WriteFile(demos / name, row.name == std::string("disk") ? row.ticks : kMarch2024);
        if (row.name != std::string("disk")) played.times[name.native()] = row.ticks;
    }
    Refresh(OpenBroken);
    ASSERT_EQ(entries.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(entries[i].lastWriteTime, rows[i].ticks);
        EXPECT_EQ(catalogue.DisplayTime(i), rows[i].shown);
        if (!std::string(rows[i].name).starts_with("twin")) {
            EXPECT_EQ(catalogue.FilePath(i), Joined(demos, std::string(rows[i].name) + ".replay"));
        }
    }
}

// Local time where it differs from UTC, on both sides of the hour that repeats
// when clocks go back and of the hour skipped when they go forward. The runtime
// reads the zone once per process, so each zone is a run of its own
// (core_test_zone_* in tests/CMakeLists.txt), chosen by TZ. The texts are the
// tz database's, not any runtime's: its rules (US: from the second Sunday in
// March to the first Sunday in November, at 02:00 local; New South Wales: from
// the first Sunday in October at 02:00 standard time to the first Sunday in
// April at 03:00 daylight time; India: +05:30 all year) worked by hand, then
// checked against `zdump -v -c 2024,2025 ZONE` (tzdata 2025b).
TEST_F(Catalogue, TimesShowInTheZoneOfTheRun) {
    struct Zone {
        const char* tz;
        std::size_t column;
    };
    const Zone zones[] = {
        {"UTC", 0}, {"America/New_York", 1}, {"EST5EDT", 1}, {"Australia/Sydney", 2}, {"Asia/Kolkata", 3}};
    struct Instant {
        std::int64_t seconds;
        std::array<const char*, 4> shown; // UTC, New York, Sydney, Kolkata
    };
    const Instant instants[] = {
        {1710528127, {"2024-03-15 18:42:07", "2024-03-15 14:42:07", "2024-03-16 05:42:07", "2024-03-16 00:12:07"}},
        // New York's skipped hour: its last second before, its first after.
        {1710053999, {"2024-03-10 06:59:59", "2024-03-10 01:59:59", "2024-03-10 17:59:59", "2024-03-10 12:29:59"}},
        {1710054000, {"2024-03-10 07:00:00", "2024-03-10 03:00:00", "2024-03-10 18:00:00", "2024-03-10 12:30:00"}},
        // New York's repeated hour, once in daylight and once in standard time.
        {1730611800, {"2024-11-03 05:30:00", "2024-11-03 01:30:00", "2024-11-03 16:30:00", "2024-11-03 11:00:00"}},
        {1730615400, {"2024-11-03 06:30:00", "2024-11-03 01:30:00", "2024-11-03 17:30:00", "2024-11-03 12:00:00"}},
        // Sydney's repeated hour, then its skipped hour.
        {1712417400, {"2024-04-06 15:30:00", "2024-04-06 11:30:00", "2024-04-07 02:30:00", "2024-04-06 21:00:00"}},
        {1712421000, {"2024-04-06 16:30:00", "2024-04-06 12:30:00", "2024-04-07 02:30:00", "2024-04-06 22:00:00"}},
        {1728143999, {"2024-10-05 15:59:59", "2024-10-05 11:59:59", "2024-10-06 01:59:59", "2024-10-05 21:29:59"}},
        {1728144000, {"2024-10-05 16:00:00", "2024-10-05 12:00:00", "2024-10-06 03:00:00", "2024-10-05 21:30:00"}},
    };
    const std::string tz = tapeloom::platform::ReadEnvironment("TZ").value_or("");
    const auto zone = std::find_if(std::begin(zones), std::end(zones), [&](const Zone& z) { return tz == z.tz; });
    ASSERT_TRUE(zone != std::end(zones)) << "no texts for TZ=\"" << tz << "\"; the suite runs this under UTC, "
                                         << "America/New_York, EST5EDT, Australia/Sydney and Asia/Kolkata";
#if defined(_WIN32)
    // A player's Windows has no TZ: the runtime takes the system's zone, which
    // Wine in turn takes from this variable as its Unix side sees it. Only the
    // runtime's own TZ reading (EST5EDT, UTC) keeps the variable.
    if (tz.find('/') != std::string::npos) testhost::SetEnvironment("TZ", std::nullopt);
#endif
    std::vector<std::pair<NativeString, std::int64_t>> played;
    for (const Instant& instant : instants) {
        played.emplace_back(fs::path(std::to_string(instant.seconds) + ".replay").native(),
                            testhost::TicksFromUnixSeconds(instant.seconds));
    }
    inMemory = &played;
    MakeFolder("Demos");
    Refresh(OpenPlayed);
    inMemory = nullptr;
    ASSERT_EQ(entries.size(), std::size(instants));
    for (std::size_t row = 0; row < entries.size(); ++row) {
        const auto instant = std::find_if(std::begin(instants), std::end(instants), [&](const Instant& i) {
            return testhost::TicksFromUnixSeconds(i.seconds) == entries[row].lastWriteTime;
        });
        ASSERT_NE(instant, std::end(instants));
        SCOPED_TRACE(instant->seconds);
        EXPECT_EQ(catalogue.DisplayTime(row), instant->shown[zone->column]);
    }
}

TEST_F(Catalogue, NamesPastOneBlockOfNamesKeepTheirOwnText) {
    // 200 names of 207 characters fill one block of names and go on in the next.
    const fs::path demos = MakeFolder("Demos");
    const auto name = [](std::size_t i) {
        return std::to_string(1000 + i) + std::string(196, static_cast<char>('a' + i % 26)) + ".replay";
    };
    constexpr std::size_t kCount = 200;
    ASSERT_GT(kCount * name(0).size(), ReplayCatalogue::kNameBlockLength);
    for (std::size_t i = 0; i < kCount; ++i) {
        WriteFile(demos / name(i), kMarch2024 + static_cast<std::int64_t>(i) * kTicksPerSecond);
    }
    Refresh();
    ASSERT_EQ(entries.size(), kCount);
    for (std::size_t row = 0; row < kCount; ++row) {
        EXPECT_EQ(catalogue.FilePath(row), Joined(demos, name(kCount - 1 - row)));
    }
}

TEST_F(Catalogue, ListsPastOneBlockOfRecordsSortWholeWhateverTheNumberOfPasses) {
    // 5,000 replays fill more than one block of the scan's records; how far
    // apart their times lie decides how many passes the sort makes, and so
    // in which of its two lists it ends.
    const fs::path demos = MakeFolder("Demos");
    constexpr std::size_t kCount = 5000;
    const struct {
        const char* passes;
        std::int64_t spacing;
        std::size_t ties; // replays per time
    } rows[] = {{"none: one time for all", 0, 1}, {"one, with ties", 1, 3}, {"two", 1, 1}, {"three", 1 << 11, 1}};
    for (const auto& spread : rows) {
        SCOPED_TRACE(spread.passes);
        std::vector<std::pair<NativeString, std::int64_t>> listing;
        for (std::size_t i = 0; i < kCount; ++i) {
            const auto step = static_cast<std::int64_t>(i * 7919 % kCount / spread.ties);
            listing.emplace_back(fs::path(std::to_string(i) + ".replay").native(), kMarch2024 + step * spread.spacing);
        }
        inMemory = &listing;
        Refresh(OpenPlayed);
        std::vector<std::size_t> expected(kCount);
        std::iota(expected.begin(), expected.end(), std::size_t{0});
        std::stable_sort(expected.begin(), expected.end(),
                         [&](std::size_t l, std::size_t r) { return listing[l].second > listing[r].second; });
        ASSERT_EQ(entries.size(), kCount);
        for (std::size_t row = 0; row < kCount; ++row) {
            ASSERT_EQ(catalogue.FilePath(row), Joined(demos, listing[expected[row]].first)) << "row " << row;
            ASSERT_EQ(entries[row].lastWriteTime, listing[expected[row]].second) << "row " << row;
        }
    }
}

TEST_F(Catalogue, AScanThatStopsKeepsWhatItReadAndNothingOfTheEarlierList) {
    const fs::path demos = MakeFolder("Demos");
    for (int i = 0; i < 7; ++i) WriteFile(demos / ("r" + std::to_string(i) + ".replay"), kMarch2024 + (i * 5 % 7));
    struct Row {
        const char* name;
        bool failOpen;
        int failAdvanceAfter, failTimeAt, vanishAt;
        std::string error; // empty: the scan ends normally
        std::size_t count;
    };
    const std::vector<Row> rows = {
        {"time query fails at the fifth replay", false, -1, 4, -1, "directory_entry::last_write_time: <message>", 4},
        {"advancing fails after three", false, 3, -1, -1, "directory_iterator::operator++: <message>", 3},
        {"the folder cannot be opened", true, -1, -1, -1,
         "directory_iterator::directory_iterator: <message>: \"" + Narrow(demos) + "\"", 0},
        {"an entry gone before its time is skipped", false, -1, -1, 1, "", 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Breaks played{row.failOpen, row.failAdvanceAfter, row.failTimeAt, row.vanishAt, {}, {}, {}};
        breaks = &played;
        Refresh(OpenBroken);
        std::sort(played.timed.begin(), played.timed.end(), std::greater<>());
        std::vector<NativeString> read;
        for (const auto& [ticks, file] : played.timed) read.push_back(file);
        EXPECT_EQ(Paths(), read);
        // The entry at which a time query failed is named.
        const std::string named = played.failedPath.empty() ? "" : ": \"" + Narrow(played.failedPath) + "\"";
        ExpectLines(console->lines, row.error.empty() ? Counted(row.count) : Failed(row.error + named, row.count));
    }
}

TEST_F(Catalogue, AnyExceptionAndAFolderWithoutEntriesEndAsLinesNotCrashes) {
    MakeFolder("Demos");
    Refresh([](const NativeString&, std::optional<Error>&) -> std::unique_ptr<FolderListing> { throw 42; });
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "ERROR while scanning directory: unknown error",
                                     "Sorting complete. 0 replays found."}));
#if defined(_WIN32)
    // Wine cannot make an empty FAT root: this FindFirstFileExW answers as one does.
    Refresh([](const NativeString& folder, std::optional<Error>& error) {
        return tapeloom::platform::OpenFolderListing(
            folder, error, [](LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD) -> HANDLE {
                SetLastError(ERROR_FILE_NOT_FOUND);
                return INVALID_HANDLE_VALUE;
            });
    });
    EXPECT_EQ(console->lines, Counted(0));
#endif
}

#if defined(_WIN32)
TEST_F(Catalogue, WindowsPathsAndCodePages) {
    auto joined = [](NativeString left, const NativeString& right) {
        tapeloom::platform::AppendPathComponent(left, right);
        return left;
    };
    EXPECT_EQ(joined(L"C:", L"Documents"), L"C:Documents");
    EXPECT_EQ(joined(L"C:\\", L"Documents"), L"C:\\Documents");
    EXPECT_EQ(joined(L"\\\\server\\share/", L"Documents"), L"\\\\server\\share/Documents");
    EXPECT_EQ(joined(L"1:", L"Documents"), L"1:\\Documents") << "only a letter names a drive";

    // Profile bytes the Western code pages leave undefined: listed under the
    // folder so named where the code page maps them (Wine), else reported.
    const char undefined[] = "\x81\x8d\x90";
    wchar_t wide[8];
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, undefined, 3, wide, 8);
    const fs::path mapped = profile.root / std::wstring(wide, static_cast<std::size_t>(std::max(length, 0)));
    fs::create_directories(mapped / kGameFolders / "Demos");
    WriteFile(mapped / kGameFolders / "Demos" / "a.replay", kMarch2024);
    testhost::SetEnvironment("USERPROFILE", profile.root.string() + "\\" + undefined);
    Refresh();
    if (length <= 0) {
        ExpectLines(console->lines, Failed("path::path: <message>", 0));
    } else {
        EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(mapped / kGameFolders / "Demos", "a.replay")});
    }

    // The system's US English text where it has one (Wine has German and French
    // texts too), and our own words for a code no system describes.
    wchar_t english[512];
    const DWORD written = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 5,
                                         MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), english, 512, nullptr);
    ASSERT_GT(written, 0u);
    EXPECT_EQ(tapeloom::platform::SystemMessage(5), std::string(english, english + written));
    EXPECT_EQ(Error({"exists", 0x2000'0000, std::nullopt}).Text(), "exists: unknown error 536870912");
    // Code pages that refuse "no best fit" are asked without it.
    EXPECT_EQ(tapeloom::platform::NarrowForLog(L"ab", CP_UTF7), "ab");

    // The same bytes and characters through a Western and a Cyrillic system's code
    // pages, each its own run (core_test_code_pages_* in tests/CMakeLists.txt). The
    // texts are those of the published tables (unicode.org's CP1252, CP437, CP1251
    // and CP866), not any system's answer.
    struct CodePages {
        UINT ansi, oem;
        const wchar_t* ansiByte80; // "\x80" read through each
        const wchar_t* oemByte80;
        const char* logged; // "a\u00e9\u0416\u0101" narrowed: no look-alikes, so what the code page lacks is "?"
    };
    const CodePages tables[] = {
        {1252, 437, L"\u20ac", L"\u00c7", "a\xe9??"},
        {1251, 866, L"\u0402", L"\u0410", "a?\xc6?"},
    };
    const auto pages = std::find_if(std::begin(tables), std::end(tables), [](const CodePages& table) {
        return table.ansi == GetACP() && table.oem == GetOEMCP();
    });
    if (pages == std::end(tables)) GTEST_SKIP() << "the rest knows ANSI 1252 with OEM 437 and 1251 with 866 only";
    NativeString path;
    EXPECT_FALSE(tapeloom::platform::ProfileTextToPath("C:\\\x80", path));
    EXPECT_EQ(path, std::wstring(L"C:\\") + pages->ansiByte80);
    SetFileApisToOEM();
    EXPECT_FALSE(tapeloom::platform::ProfileTextToPath("C:\\\x80", path));
    SetFileApisToANSI();
    EXPECT_EQ(path, std::wstring(L"C:\\") + pages->oemByte80);
    EXPECT_EQ(tapeloom::platform::NarrowForLog(L"a\u00e9\u0416\u0101"), pages->logged);
    EXPECT_EQ(tapeloom::platform::NarrowForLog(std::wstring(1, wchar_t(0xd800))), "?");
}

// Wine makes no reparse points: this listing calls every entry named link* one,
// with no time of its own, and gone.replay one whose target is missing.
BOOL WINAPI FindNextAsLinks(HANDLE find, LPWIN32_FIND_DATAW data) {
    if (!FindNextFileW(find, data)) return FALSE;
    const std::wstring_view name = data->cFileName;
    if (name.starts_with(L"link") || name == L"gone.replay") {
        data->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        data->ftLastWriteTime = {};
    }
    if (name == L"gone.replay") wcscpy_s(data->cFileName, std::size(data->cFileName), L"nowhere.replay");
    return TRUE;
}

TEST_F(Catalogue, AReparsePointShowsItsTargetsTimeOrStopsTheScan) {
    const fs::path demos = MakeFolder("Demos");
    WriteFile(demos / "link.replay", kMarch2024 - kTicksPerSecond);
    WriteFile(demos / "plain.replay", kMarch2024);
    const auto asLinks = [](const NativeString& folder, std::optional<Error>& error) {
        return tapeloom::platform::OpenFolderListing(folder, error, FindFirstFileExW, FindNextAsLinks);
    };
    Refresh(asLinks);
    EXPECT_EQ(Paths(), (std::vector<NativeString>{Joined(demos, "plain.replay"), Joined(demos, "link.replay")}));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.back().lastWriteTime, kMarch2024 - kTicksPerSecond);
    WriteFile(demos / "gone.replay", kMarch2024);
    Refresh(asLinks);
    ExpectLines(console->lines,
                Failed("directory_entry::last_write_time: <message>: \"" + Narrow(demos / "nowhere.replay") + "\"",
                       entries.size()));
}
#else
// Every metadata query relative to an open folder, by name, with its flags:
// the test program is linked with fstatat and readdir wrapped.
std::map<std::string, std::vector<int>> queries;
bool hideTypes = false;
std::string deleteBeforeQuery;
std::string failQuery; // answered with an I/O error

} // namespace

extern "C" {
int __real_fstatat(int folder, const char* name, struct stat* info, int flags);
dirent* __real_readdir(DIR* dir);
int __wrap_fstatat(int folder, const char* name, struct stat* info, int flags) {
    if (folder != AT_FDCWD) {
        queries[name].push_back(flags);
        if (name == deleteBeforeQuery) unlinkat(folder, name, 0);
        if (name == failQuery) return errno = EIO, -1;
    }
    return __real_fstatat(folder, name, info, flags);
}
dirent* __wrap_readdir(DIR* dir) {
    dirent* entry = __real_readdir(dir);
    if (entry != nullptr && hideTypes) entry->d_type = DT_UNKNOWN;
    return entry;
}
}

namespace {

// The order the system lists a folder in, which is the order the catalogue meets its entries.
std::vector<std::string> ListingOrder(const fs::path& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (dirent* entry = dir ? __real_readdir(dir) : nullptr) {
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") names.push_back(entry->d_name);
    }
    if (dir) closedir(dir);
    return names;
}

TEST_F(Catalogue, OneMetadataQueryPerReplayNameAndLinksShowTheirTargetsTime) {
    using Queries = std::map<std::string, std::vector<int>>;
    const fs::path demos = MakeFolder("Demos");
    WriteFile(demos / "r.replay", kMarch2024);
    WriteFile(demos / "notes.txt", kMarch2024);
    WriteFile(demos / "target.bin", kMarch2024 - kTicksPerSecond);
    fs::create_symlink("target.bin", demos / "link.replay");
    fs::create_symlink("target.bin", demos / "link.txt");
    fs::create_symlink(".", demos / "up.replay"); // leads back up the tree: listed, never entered
    // A typed link is followed at once; without types, only a link pays for a second query.
    for (bool untyped : {false, true}) {
        queries.clear();
        hideTypes = untyped;
        Refresh();
        const std::vector<int> link = untyped ? std::vector{AT_SYMLINK_NOFOLLOW, 0} : std::vector{0};
        EXPECT_EQ(queries, (Queries{{"r.replay", {AT_SYMLINK_NOFOLLOW}}, {"link.replay", link}, {"up.replay", link}}));
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries.back().lastWriteTime, kMarch2024 - kTicksPerSecond) << "the link shows its target's time";
    }
    hideTypes = false;
    // A plain entry whose time cannot be read stops the scan; one deleted since the listing is skipped.
    failQuery = "r.replay";
    Refresh();
    failQuery.clear();
    ExpectLines(
        console->lines,
        Failed("directory_entry::last_write_time: <message>: \"" + Narrow(demos / "r.replay") + "\"", entries.size()));
    deleteBeforeQuery = "r.replay";
    Refresh();
    deleteBeforeQuery.clear();
    EXPECT_EQ(console->lines, Counted(2));
}

TEST_F(Catalogue, LinksThatCannotBeFollowedStopTheScanAtTheFirstOneListed) {
    const fs::path demos = MakeFolder("Demos");
    for (int i = 0; i < 6; ++i) WriteFile(demos / ("r" + std::to_string(i) + ".replay"), kMarch2024 + i);
    // Every replay the listing gave before the first link, newest first, then the link's error.
    auto expectStopAtFirstLink = [&] {
        std::vector<std::string> before;
        std::string stop;
        for (const std::string& name : ListingOrder(demos)) {
            if (!name.starts_with("r")) {
                stop = name;
                break;
            }
            before.push_back(name);
        }
        std::sort(before.begin(), before.end(), std::greater<>()); // r5 is the newest
        std::vector<NativeString> read;
        for (const std::string& name : before) read.push_back(Joined(demos, name));
        Refresh();
        EXPECT_EQ(Paths(), read);
        ExpectLines(
            console->lines,
            Failed("directory_entry::last_write_time: <message>: \"" + Narrow(demos / stop) + "\"", before.size()));
    };
    fs::create_symlink("nowhere", demos / "dangling.replay");
    expectStopAtFirstLink();
    fs::remove(demos / "dangling.replay");
    fs::create_symlink("there.replay", demos / "here.replay");
    fs::create_symlink("here.replay", demos / "there.replay");
    expectStopAtFirstLink();
}

TEST_F(Catalogue, PathsAtTheSystemsLimitsAndProfilesThatAreNoText) {
    // The profile written with as many extra slashes as it takes for the
    // DemosEpic folder's path to be `length` bytes.
    const std::string below = (kGameFolders / "DemosEpic").string();
    auto profileFor = [&](std::size_t length) {
        std::string text = profile.root.string();
        return text.append(length - text.size() - below.size(), '/');
    };
    const fs::path epic = MakeFolder("DemosEpic");
    const std::string longest = std::string(248, 'r') + ".replay"; // NAME_MAX bytes
    WriteFile(epic / longest, kMarch2024 + kTicksPerSecond);
    WriteFile(epic / "a.replay", kMarch2024);
    testhost::SetEnvironment("USERPROFILE", profileFor(PATH_MAX - 1));
    Refresh();
    EXPECT_EQ(Paths(), (std::vector<NativeString>{profileFor(PATH_MAX - 1) + below + "/" + longest,
                                                  profileFor(PATH_MAX - 1) + below + "/a.replay"}));
    testhost::SetEnvironment("USERPROFILE", profileFor(PATH_MAX));
    Refresh();
    ExpectLines(console->lines, Failed("exists: <message>: \"" + profileFor(PATH_MAX) + below + "\"", 0));
}

#endif

} // namespace
