#include "host/transcript.h"

#include <algorithm>

namespace sandbox {

namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

} // namespace

void Transcript::Plugin(std::string_view line) {
    const bool misleading = line.starts_with(kSandboxPrefix) || line.starts_with(kPluginPrefix) ||
                            std::any_of(line.begin(), line.end(), IsControl);
    Add(misleading ? kPluginPrefix : std::string_view(), line, Echo::Normal);
}

void Transcript::Sandbox(std::string_view text) {
    Add(kSandboxPrefix, text, Echo::Normal);
}

void Transcript::Notice(std::string_view text) {
    Add(kSandboxPrefix, text, Echo::Quiet);
}

void Transcript::Detail(std::string_view text) {
    if (level_ == Echo::Verbose) Add(kSandboxPrefix, text, Echo::Verbose, false);
}

std::size_t Transcript::Count(std::string_view line) const {
    return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
}

void Transcript::Add(std::string_view prefix, std::string_view text, Echo least, bool record) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string line(prefix);
    line.reserve(prefix.size() + text.size());
    for (char c : text) {
        if (!IsControl(c)) {
            line.push_back(c);
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        line.append({'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]});
    }
    // Flushed line by line: if the plug-in takes the process down, what it said so far is on record.
    if (echo_ && level_ >= least) *echo_ << line << std::endl;
    if (file_) *file_ << line << std::endl;
    if (record) lines_.push_back(std::move(line));
}

} // namespace sandbox
