// The sandbox's script reader on any text. Every line reads as a step, as no
// step (blank or comment) or as an error naming its line; a whole script reads
// as its lines do one by one (the way standard input is run); each step keeps
// the shape its runner relies on; and a step written back as a line reads as
// the same step.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz_support.h"
#include "script.h"

namespace {

using sandbox::ScriptError;
using sandbox::Step;
using Kind = sandbox::Step::Kind;

using fuzzsupport::Check;

constexpr std::string_view kBlanks = " \t\r\n\v\f";

bool Trimmed(const std::string& text) {
    return !text.empty() && kBlanks.find(text.front()) == std::string_view::npos &&
           kBlanks.find(text.back()) == std::string_view::npos;
}

bool OneWord(const std::string& text) {
    return !text.empty() && text.find_first_of(kBlanks) == std::string::npos;
}

void CheckShape(const Step& step) {
    switch (step.kind) {
    case Kind::Frames:
        Check(step.number >= 0 && step.number <= sandbox::kMaxFramesPerStep && step.text.empty(), "frames");
        return;
    case Kind::Key:
    case Kind::Map:
        Check(OneWord(step.text), "key or map without one word");
        return;
    case Kind::Command:
    case Kind::Click:
    case Kind::Screenshot:
    case Kind::Expect:
        Check(Trimmed(step.text), "a step's text is empty or untrimmed");
        return;
    case Kind::ClickLoad:
        Check(step.number >= 0, "click Load with a negative row");
        return;
    case Kind::Count:
        Check(step.number >= 0 && Trimmed(step.text), "count");
        return;
    case Kind::Freeplay:
    case Kind::Close:
    case Kind::Unload:
    case Kind::Load:
        Check(step.text.empty(), "a step without argument has one");
        return;
    }
    Check(false, "a step of no known kind");
}

// The line a person would write for the step.
std::string Written(const Step& step) {
    switch (step.kind) {
    case Kind::Frames:
        return "frames " + std::to_string(step.number);
    case Kind::Key:
        return "key " + step.text;
    case Kind::Command:
        return "command " + step.text;
    case Kind::Map:
        return "map " + step.text;
    case Kind::Freeplay:
        return "freeplay";
    case Kind::Click:
        return "click " + step.text;
    case Kind::ClickLoad:
        return "click Load " + std::to_string(step.number);
    case Kind::Close:
        return "close";
    case Kind::Screenshot:
        return "screenshot " + step.text;
    case Kind::Expect:
        return "expect " + step.text;
    case Kind::Count:
        return "count " + std::to_string(step.number) + " " + step.text;
    case Kind::Unload:
        return "unload";
    case Kind::Load:
        return "load";
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto whole = sandbox::ReadScript(text);

    // Line by line, as a script from standard input runs.
    std::vector<Step> steps;
    std::optional<ScriptError> firstError;
    int lines = 0;
    for (std::string_view rest = text; !rest.empty() && !firstError;) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        sandbox::StepReading reading = sandbox::ReadStep(line, ++lines);
        if (auto* error = std::get_if<ScriptError>(&reading)) {
            firstError = *error;
        } else if (auto& step = std::get<std::optional<Step>>(reading)) {
            steps.push_back(*step);
        }
    }

    if (auto* error = std::get_if<ScriptError>(&whole)) {
        Check(firstError && error->line == firstError->line && error->message == firstError->message,
              "the script stopped at another line than its first bad one");
        Check(error->line == lines && !error->message.empty(), "an error without its line or message");
        Check(error->Describe() == "script line " + std::to_string(error->line) + ": " + error->message,
              "an error reads otherwise than script line N: message");
        return 0;
    }
    Check(!firstError, "the script read although a line of it is bad");
    const auto& read = std::get<std::vector<Step>>(whole);
    Check(read.size() == steps.size(), "the script read other steps than its lines");
    int previous = 0;
    for (std::size_t i = 0; i < read.size(); ++i) {
        const Step& step = read[i];
        Check(step.kind == steps[i].kind && step.number == steps[i].number && step.text == steps[i].text &&
                  step.line == steps[i].line,
              "the script read other steps than its lines");
        Check(step.line > previous && step.line <= lines, "steps out of line order");
        previous = step.line;
        CheckShape(step);

        sandbox::StepReading again = sandbox::ReadStep(Written(step), step.line);
        const auto* reread = std::get_if<std::optional<Step>>(&again);
        Check(reread && reread->has_value(), "a step written back is no step");
        const Step& same = **reread;
        Check(same.kind == step.kind && same.number == step.number &&
                  (step.kind == Kind::ClickLoad || same.text == step.text),
              "a step written back reads as another");
    }
    return 0;
}
