#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// One replay file of the catalogue.
struct ReplayEntry {
    // The replay folder, a separator, and the name exactly as the listing gave it.
    tapeloom::platform::NativeString filePath;
    // 100-ns ticks since 1601-01-01 UTC, as the file system keeps it; the sort key.
    std::int64_t lastWriteTime = 0;
    // lastWriteTime as local "%Y-%m-%d %H:%M:%S", computed once per scan.
    std::string displayTime;
};

namespace tapeloom {

// Shown for a write time that local time cannot represent ("????-??-?? ??:??:??",
// escaped against trigraphs). Holds no "%".
inline constexpr const char* kUnknownTime = "?\?\?\?-?\?-?\? ?\?:?\?:?\?";

// Rebuilds `entries` from the game's replay folder under the user's profile,
// newest first, and writes the refresh's log lines. `openListing` is the
// folder-listing seam; tests hand in listings that fail where they choose.
// Every failure ends as a log line: nothing reaches the host's callback.
void RefreshCatalogue(std::vector<ReplayEntry>& entries,
                      platform::OpenListingFunction openListing = platform::OpenFolderListing) noexcept;

} // namespace tapeloom
