#include "transcript.h"

#include <algorithm>

namespace sandbox {

void Transcript::Plugin(std::string line) {
    Add(std::move(line));
}

void Transcript::Sandbox(std::string_view text) {
    std::string line(kSandboxPrefix);
    line.append(text);
    Add(std::move(line));
}

std::size_t Transcript::Count(std::string_view line) const {
    return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
}

void Transcript::Add(std::string line) {
    // Flushed line by line: if the plug-in takes the process down, what it said so far is on record.
    if (echo_) *echo_ << line << std::endl;
    lines_.push_back(std::move(line));
}

} // namespace sandbox
