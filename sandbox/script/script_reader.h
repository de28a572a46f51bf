#pragma once

#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sandbox {

// One step of a sandbox script. A script is plain text, one step per line, so
// that a test and a person drive the sandbox the same way.
struct Step {
    enum class Kind {
        Frames,     // frames N
        Key,        // key NAME
        Command,    // command TEXT
        Map,        // map NAME
        Freeplay,   // freeplay
        Click,      // click LABEL
        ClickLoad,  // click Load N
        Close,      // close
        Panel,      // panel LABEL
        Screenshot, // screenshot FILE.png
        Expect,     // expect TEXT
        Count,      // count N TEXT
        See,        // see TEXT
        NotSee,     // not-see TEXT
        WaitFor,    // wait-for TEXT N
        Unload,     // unload
        Reload,     // reload (or load)
        Help,       // help
    };

    Kind kind = Kind::Frames;
    int line = 0;     // 1-based line of the script
    int number = 0;   // frames, row, count
    std::string text; // key, command, map, label, file or expected text
    // "try key" and "try command": the console may refuse them without failing the step.
    bool mayBeRefused = false;
};

// Every step's name and what it takes, in the order help lists them.
struct StepUsage {
    std::string_view name;
    std::string_view usage;
};
std::span<const StepUsage> StepUsages();

struct ScriptError {
    int line = 0;
    std::string message;

    // "script line N: message"
    std::string Describe() const;
};

// A line that holds no step (blank or a # comment) reads as nullopt.
using StepReading = std::variant<std::optional<Step>, ScriptError>;

// Reads one line. Any bytes are accepted; whatever is not a step is an error.
StepReading ReadStep(std::string_view line, int lineNumber);

// Reads a whole script: every step, or the first error.
std::variant<std::vector<Step>, ScriptError> ReadScript(std::string_view text);

// The next line of a stream, false at its end; `unreadable` says why the
// stream failed. A directory or a failing device opens on Linux and fails only when read.
bool ReadLine(std::istream& input, std::string& line, std::string& unreadable);

// The most frames one step may ask for: enough for any demo, small enough
// that a typo cannot hang a test for hours.
inline constexpr int kMaxFramesPerStep = 100000;

} // namespace sandbox
