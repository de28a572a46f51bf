#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace sandbox {

// The host console's lines, in order, each echoed as it arrives. The sandbox's
// own lines carry a prefix so that no one takes them for the plug-in's. The
// plug-in's lines are kept exactly as logged unless that could mislead: one
// that begins with either prefix or holds a control character gets the
// plug-in prefix. Control characters are written as \xNN in every line, so
// one line is one printed line and what expect and count see is what was printed.
class Transcript {
public:
    static constexpr std::string_view kSandboxPrefix = "[sandbox] ";
    static constexpr std::string_view kPluginPrefix = "[plug-in] ";

    explicit Transcript(std::ostream* echo = nullptr) : echo_(echo) {}

    void Plugin(std::string_view line);
    void Sandbox(std::string_view text);

    const std::vector<std::string>& Lines() const { return lines_; }
    std::size_t Count(std::string_view line) const;
    // Whether a line could not be echoed: a transcript with a gap is no record of the run.
    bool EchoFailed() const { return echo_ && !*echo_; }

private:
    void Add(std::string_view prefix, std::string_view text);

    std::ostream* echo_;
    std::vector<std::string> lines_;
};

} // namespace sandbox
