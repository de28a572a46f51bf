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
//
// How much is echoed is a matter of taste, never of what is recorded: at
// every level expect and count see the same lines. Quiet echoes only notices
// (what went wrong, and the verdict); verbose adds details (frames, queued
// commands, callables, events, click attempts) that are echoed, never recorded.
class Transcript {
public:
    static constexpr std::string_view kSandboxPrefix = "[sandbox] ";
    static constexpr std::string_view kPluginPrefix = "[plug-in] ";

    enum class Echo { Quiet, Normal, Verbose };

    explicit Transcript(std::ostream* echo = nullptr, Echo level = Echo::Normal) : echo_(echo), level_(level) {}

    // A second record of the run, as the normal or verbose echo would print it.
    void CopyTo(std::ostream* file) { file_ = file; }

    void Plugin(std::string_view line);
    void Sandbox(std::string_view text);
    // A line echoed even when quiet: what went wrong, and the verdict.
    void Notice(std::string_view text);
    // A line for the verbose echo only, not recorded.
    void Detail(std::string_view text);
    bool Verbose() const { return level_ == Echo::Verbose; }

    const std::vector<std::string>& Lines() const { return lines_; }
    std::size_t Count(std::string_view line) const;
    // Whether a line could not be echoed: a transcript with a gap is no record of the run.
    bool EchoFailed() const { return echo_ && !*echo_; }

private:
    void Add(std::string_view prefix, std::string_view text, Echo least, bool record = true);

    std::ostream* echo_;
    Echo level_;
    std::ostream* file_ = nullptr;
    std::vector<std::string> lines_;
};

} // namespace sandbox
