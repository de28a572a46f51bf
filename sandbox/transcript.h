#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "display_path.h"

namespace sandbox {

// The host console's lines, in order: the plug-in's exactly as it logged them,
// the sandbox's own marked with a prefix so that no one takes them for the
// plug-in's. Each line is also echoed as it arrives.
class Transcript {
public:
    static constexpr std::string_view kSandboxPrefix = "[sandbox] ";

    explicit Transcript(std::ostream* echo = nullptr) : echo_(echo) {}

    void Plugin(std::string line);
    void Sandbox(std::string_view text);

    const std::vector<std::string>& Lines() const { return lines_; }
    std::size_t Count(std::string_view line) const;

private:
    void Add(std::string line);

    std::ostream* echo_;
    std::vector<std::string> lines_;
};

} // namespace sandbox
