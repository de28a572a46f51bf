#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// One replay file of the catalogue: its write time, and where its name lies
// among the catalogue's names.
struct ReplayEntry {
    // 100-ns ticks since 1601-01-01 UTC, as the file system keeps it; the sort key.
    std::int64_t lastWriteTime = 0;
    std::uint32_t nameStart = 0;
    std::uint32_t nameLength = 0;
};

// The replays newest first. Their texts sit back to back in a few blocks
// rather than two small ones per entry, and the folder is kept once: the first
// list of a session meets only fresh memory, where every page costs a fault.
struct ReplayCatalogue {
    // Characters of one block of names. A list that outgrows its block starts
    // another rather than moving what it holds: each name is written once.
    static constexpr std::size_t kNameBlockLength = 32 * 1024;

    tapeloom::platform::NativeString folder;
    std::vector<ReplayEntry> entries;
    // Every name exactly as the listing gave it, in listing order; a name
    // starting at `nameStart` lies in block nameStart / kNameBlockLength.
    std::vector<tapeloom::platform::NativeString> names;
    // Each entry's write time as local "%Y-%m-%d %H:%M:%S", in the entries' order.
    std::string times;

    tapeloom::platform::NativeStringView FileName(std::size_t row) const;
    std::string_view DisplayTime(std::size_t row) const;
    // The folder, a separator, and the name: what PlayReplay is given.
    tapeloom::platform::NativeString FilePath(std::size_t row) const;
};

namespace tapeloom {

// Shown for a write time that local time cannot represent ("????-??-?? ??:??:??",
// escaped against trigraphs). Holds no "%".
inline constexpr const char* kUnknownTime = "?\?\?\?-?\?-?\? ?\?:?\?:?\?";

// Rebuilds the catalogue from the game's replay folder under the user's
// profile, newest first, and writes the refresh's log lines. `openListing` is
// the folder-listing seam; tests hand in listings that fail where they choose.
// Every failure ends as a log line: nothing reaches the host's callback.
void RefreshCatalogue(ReplayCatalogue& catalogue,
                      platform::OpenListingFunction openListing = platform::OpenFolderListing) noexcept;

} // namespace tapeloom
