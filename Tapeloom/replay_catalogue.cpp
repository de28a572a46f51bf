#include "replay_catalogue.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "log/Log.h"

namespace tapeloom {

namespace {

using platform::NativeChar;
using platform::NativeString;
using platform::NativeStringView;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;

constexpr std::array<std::string_view, 4> kBaseFolders = {"Documents", "My Games", "Corvane", "TAGame"};
constexpr std::array<std::string_view, 2> kReplayFolders = {"DemosEpic", "Demos"};
constexpr std::string_view kReplayExtension = ".replay";

// The constant names are ASCII, which reads the same in every native form.
NativeString Native(std::string_view ascii) {
    return NativeString(ascii.begin(), ascii.end());
}

bool HasReplayExtension(NativeStringView name) {
    // The extension starts at the last dot; a dot in front names a hidden file, not an extension.
    const std::size_t dot = name.rfind(NativeChar('.'));
    if (dot == NativeStringView::npos || dot == 0) return false;
    const NativeStringView extension = name.substr(dot);
    return std::equal(extension.begin(), extension.end(), kReplayExtension.begin(), kReplayExtension.end(),
                      [](NativeChar left, char right) { return left == static_cast<NativeChar>(right); });
}

std::int64_t SecondsSince1970(std::int64_t ticks) {
    // Far enough before 1601 the subtraction would overflow; such a time is out of range either way.
    if (ticks < std::numeric_limits<std::int64_t>::min() + kUnixEpochTicks) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return (ticks - kUnixEpochTicks) / kTicksPerSecond;
}

// Two digits of a broken-down time field, which the range check keeps within 0..99.
char* PutTwoDigits(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

// "%Y-%m-%d %H:%M:%S", as long as kUnknownTime.
constexpr std::size_t kTimeLength = 19;

// Writes the time's text, kTimeLength characters, digit by digit: strftime's
// locale machinery costs more than the rest of an entry's work, and these fields need none of it.
void FormatLocalTime(std::int64_t ticks, char* out) {
    std::tm local{};
    if (!platform::ToLocalTime(SecondsSince1970(ticks), local)) {
        std::copy_n(kUnknownTime, kTimeLength, out);
        return;
    }
    const int year = local.tm_year + 1900; // 1969..3001: always four digits
    out = PutTwoDigits(out, year / 100);
    out = PutTwoDigits(out, year % 100);
    *out++ = '-';
    out = PutTwoDigits(out, local.tm_mon + 1);
    *out++ = '-';
    out = PutTwoDigits(out, local.tm_mday);
    *out++ = ' ';
    out = PutTwoDigits(out, local.tm_hour);
    *out++ = ':';
    out = PutTwoDigits(out, local.tm_min);
    *out++ = ':';
    PutTwoDigits(out, local.tm_sec);
}

// Room for `needed` elements in a buffer that holds none. The first list of
// a session meets fresh memory: its pages are made present in one request,
// not faulted in one store at a time.
template <class Buffer> void Reserve(Buffer& buffer, std::size_t needed) {
    if (needed <= buffer.capacity()) return;
    Buffer grown;
    grown.reserve(needed);
    platform::PopulateToWrite(grown.data(), grown.capacity() * sizeof(*grown.data()));
    buffer.swap(grown);
}

// The scan's records in listing order, in blocks that never move: a list that
// grew by copying would touch twice the pages it ends with, and a fresh page
// costs more than the record written to it.
class ScannedRecords {
public:
    static constexpr std::size_t kBlockShift = 12; // 4,096 records, 64 KiB
    static constexpr std::size_t kBlockLength = std::size_t{1} << kBlockShift;

    std::size_t size() const { return count_; }
    ReplayEntry& operator[](std::size_t index) {
        return blocks_[index >> kBlockShift].get()[index & (kBlockLength - 1)];
    }
    void push_back(const ReplayEntry& record) {
        if ((count_ & (kBlockLength - 1)) == 0) {
            // Left uninitialised: zeroing it would meet its pages before they are asked for, one at a time.
            Block block(std::allocator<ReplayEntry>().allocate(kBlockLength));
            platform::PopulateToWrite(block.get(), kBlockLength * sizeof(ReplayEntry));
            blocks_.push_back(std::move(block));
        }
        std::construct_at(&(*this)[count_], record);
        ++count_;
    }

private:
    struct Release {
        void operator()(ReplayEntry* block) const noexcept {
            std::allocator<ReplayEntry>().deallocate(block, kBlockLength);
        }
    };
    using Block = std::unique_ptr<ReplayEntry, Release>;
    std::vector<Block> blocks_;
    std::size_t count_ = 0;
};

// Where the name starts among all blocks. Entries stay 16 bytes: names past
// 4 GiB, or one longer than a block (no file system allows it), end the scan
// as memory running out would.
std::uint32_t AppendName(std::vector<NativeString>& blocks, NativeStringView name) {
    constexpr std::size_t kBlock = ReplayCatalogue::kNameBlockLength;
    if (blocks.empty() || blocks.back().size() + name.size() > kBlock) {
        if (name.size() > kBlock || (blocks.size() + 1) * kBlock > std::numeric_limits<std::uint32_t>::max()) {
            throw std::bad_alloc();
        }
        NativeString& block = blocks.emplace_back();
        block.reserve(kBlock);
        platform::PopulateToWrite(block.data(), kBlock * sizeof(NativeChar));
    }
    const std::size_t start = (blocks.size() - 1) * kBlock + blocks.back().size();
    blocks.back().append(name);
    return static_cast<std::uint32_t>(start);
}

enum class Outcome { NoProfile, NoFolder, Searched };

// Finds the replay folder under the profile; an error here ends the refresh like a failed scan.
Outcome FindReplayFolder(NativeString& folder, std::optional<platform::Error>& error) {
    const std::optional<std::string> profile = platform::ReadEnvironment("USERPROFILE");
    if (!profile) return Outcome::NoProfile;
    NativeString base;
    error = platform::ProfileTextToPath(*profile, base);
    if (error) return Outcome::Searched;
    for (std::string_view part : kBaseFolders) platform::AppendPathComponent(base, Native(part));

    for (std::string_view candidate : kReplayFolders) {
        folder = base;
        platform::AppendPathComponent(folder, Native(candidate));
        bool exists = false;
        error = platform::Exists(folder, exists);
        if (error || exists) return Outcome::Searched;
    }
    return Outcome::NoFolder;
}

void ReportError(std::string_view text) noexcept {
    LogFormatted("ERROR while scanning directory: %s", text);
}

// One stable pass of the radix sort: `to` gets the records of `from` by the
// 11-bit digit of their age at `shift`.
template <class From, class To, class Age>
void ScatterByDigit(From& from, To& to, std::size_t count, int shift, const Age& age) {
    std::array<std::size_t, 2049> starts{};
    for (std::size_t i = 0; i < count; ++i) ++starts[((age(from[i]) >> shift) & 0x7FF) + 1];
    for (std::size_t digit = 1; digit < starts.size(); ++digit) starts[digit] += starts[digit - 1];
    for (std::size_t i = 0; i < count; ++i) to[starts[(age(from[i]) >> shift) & 0x7FF]++] = from[i];
}

// Newest first, equal times in listing order: a stable radix sort, 11 bits at
// a time, over the bits in which the times differ. A comparison sort's
// branches mispredict at every other step over times in no particular order.
// The passes go back and forth between the scan's blocks and `sorted`, so
// the sort needs no memory of its own.
void SortNewestFirst(ScannedRecords& records, std::vector<ReplayEntry>& sorted) {
    const std::size_t count = records.size();
    Reserve(sorted, count);
    sorted.resize(count);
    std::int64_t newest = std::numeric_limits<std::int64_t>::min();
    std::int64_t earliest = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < count; ++i) {
        newest = std::max(newest, records[i].lastWriteTime);
        earliest = std::min(earliest, records[i].lastWriteTime);
    }
    const auto age = [newest](const ReplayEntry& record) {
        return static_cast<std::uint64_t>(newest) - static_cast<std::uint64_t>(record.lastWriteTime);
    };
    // The earliest record is the oldest; with none, no pass runs.
    const std::uint64_t oldest = count == 0 ? 0 : age({earliest, 0, 0});
    bool inBlocks = true;
    for (int shift = 0; shift < 64 && (oldest >> shift) != 0; shift += 11, inBlocks = !inBlocks) {
        if (inBlocks) {
            ScatterByDigit(records, sorted, count, shift, age);
        } else {
            ScatterByDigit(sorted, records, count, shift, age);
        }
    }
    if (inBlocks) {
        for (std::size_t i = 0; i < count; ++i) sorted[i] = records[i];
    }
}

// Gathers the folder's replays until the listing ends or fails, in listing order.
std::optional<platform::Error> ScanFolder(ReplayCatalogue& catalogue, ScannedRecords& records,
                                          platform::OpenListingFunction openListing) {
    using platform::FolderListing;
    std::optional<platform::Error> error;
    const std::unique_ptr<FolderListing> listing = openListing(catalogue.folder, error);
    if (!listing) return error;
    for (;;) {
        switch (listing->Next(error)) {
        case FolderListing::Step::End:
            return std::nullopt;
        case FolderListing::Step::Failed:
            return error;
        case FolderListing::Step::Entry:
            break;
        }
        const NativeStringView name = listing->Name();
        if (!HasReplayExtension(name)) continue;

        std::int64_t ticks = 0;
        switch (listing->WriteTime(ticks, error)) {
        case FolderListing::Time::Vanished:
            continue;
        case FolderListing::Time::Failed:
            return error;
        case FolderListing::Time::Read:
            break;
        }
        const std::uint32_t start = AppendName(catalogue.names, name);
        records.push_back({ticks, start, static_cast<std::uint32_t>(name.size())});
    }
}

// Makes the list of the scan's records, newest first (in listing order among
// equal times), and writes their time texts. Out of memory, the list ends empty.
void SortAndWriteTimes(ReplayCatalogue& catalogue, ScannedRecords& records, bool reportFailure) noexcept {
    try {
        SortNewestFirst(records, catalogue.entries);
        Reserve(catalogue.times, catalogue.entries.size() * kTimeLength);
    } catch (const std::exception& failure) {
        if (reportFailure) ReportError(failure.what());
        catalogue.entries.clear();
        return;
    }
    for (const ReplayEntry& entry : catalogue.entries) {
        char text[kTimeLength];
        FormatLocalTime(entry.lastWriteTime, text);
        catalogue.times.append(text, kTimeLength);
    }
}

} // namespace

} // namespace tapeloom

tapeloom::platform::NativeStringView ReplayCatalogue::FileName(std::size_t row) const {
    const ReplayEntry& entry = entries[row];
    return tapeloom::platform::NativeStringView(names[entry.nameStart / kNameBlockLength])
        .substr(entry.nameStart % kNameBlockLength, entry.nameLength);
}

std::string_view ReplayCatalogue::DisplayTime(std::size_t row) const {
    return std::string_view(times).substr(row * tapeloom::kTimeLength, tapeloom::kTimeLength);
}

tapeloom::platform::NativeString ReplayCatalogue::FilePath(std::size_t row) const {
    const tapeloom::platform::NativeStringView name = FileName(row);
    tapeloom::platform::NativeString path;
    path.reserve(folder.size() + 1 + name.size());
    path.assign(folder).push_back(tapeloom::platform::kPathSeparator);
    return path.append(name);
}

namespace tapeloom {

void RefreshCatalogue(ReplayCatalogue& catalogue, platform::OpenListingFunction openListing) noexcept {
    LogFormatted("Refreshing replay list...");
    // Nothing of the previous list stays visible, but its storage is reused.
    catalogue.folder.clear();
    catalogue.entries.clear();
    catalogue.names.clear();
    catalogue.times.clear();
    std::optional<platform::Error> error;
    bool scanned = false;
    ScannedRecords records;

    try {
        switch (FindReplayFolder(catalogue.folder, error)) {
        case Outcome::NoProfile:
            return;
        case Outcome::NoFolder:
            LogFormatted("No replay directory found.");
            return;
        case Outcome::Searched:
            break;
        }
        if (!error) error = ScanFolder(catalogue, records, openListing);
        if (error) ReportError(error->Text());
        scanned = true;
    } catch (const std::exception& failure) {
        // Out of memory mid-scan: keep what was gathered, as after any other failed scan.
        ReportError(failure.what());
    } catch (...) {
        // Whatever else was thrown must not reach the noexcept boundary: std::terminate would end the host.
        ReportError("unknown error");
    }
    // One error line per refresh: a failure while writing the list is told only when the scan had none.
    SortAndWriteTimes(catalogue, records, scanned && !error);
    LogFormatted("Sorting complete. %zu replays found.", catalogue.entries.size());
}

} // namespace tapeloom
