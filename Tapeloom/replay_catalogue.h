#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// One replay file of the catalogue. Its texts live in the catalogue that
// holds it and last until that catalogue's next refresh.
struct ReplayEntry {
    // The name exactly as the listing gave it, in the catalogue's folder.
    tapeloom::platform::NativeStringView fileName;
    // 100-ns ticks since 1601-01-01 UTC, as the file system keeps it; the sort key.
    std::int64_t lastWriteTime = 0;
    // lastWriteTime as local "%Y-%m-%d %H:%M:%S", computed once per scan.
    std::string_view displayTime;
};

// The replays newest first, and the texts their entries point into. The
// texts sit back to back in a few large blocks rather than two small ones per
// entry, and the folder is kept once: the first list of a session meets only
// fresh memory, where every page costs a fault.
struct ReplayCatalogue {
    tapeloom::platform::NativeString folder;
    std::vector<ReplayEntry> entries;
    tapeloom::platform::NativeString names;
    std::string times;

    // The folder, a separator, and the entry's name: what PlayReplay is given.
    tapeloom::platform::NativeString FilePath(const ReplayEntry& entry) const;
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
