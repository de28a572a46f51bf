#include "script/script_reader.h"

#include <algorithm>
#include <charconv>
#include <ios>

namespace sandbox {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trim(std::string_view text) {
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// Splits off the first word; `rest` keeps its inner blanks.
std::string_view FirstWord(std::string_view text, std::string_view& rest) {
    std::size_t end = text.find_first_of(kBlanks);
    if (end == std::string_view::npos) {
        rest = {};
        return text;
    }
    rest = Trim(text.substr(end));
    return text.substr(0, end);
}

std::optional<int> Number(std::string_view text, int largest) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < 0 || value > largest)
        return std::nullopt;
    return value;
}

bool HasBlank(std::string_view text) {
    return text.find_first_of(kBlanks) != std::string_view::npos;
}

// Steps whose argument is a number or a word may end in a comment; the others
// take the rest of the line as it stands, since a console line or a label may hold a '#'.
std::string_view WithoutComment(std::string_view argument) {
    for (std::size_t at = argument.find('#'); at != std::string_view::npos; at = argument.find('#', at + 1)) {
        if (at == 0 || kBlanks.find(argument[at - 1]) != std::string_view::npos) return Trim(argument.substr(0, at));
    }
    return argument;
}

constexpr StepUsage kUsages[] = {
    {"frames", "frames N"},
    {"key", "key NAME"},
    {"command", "command TEXT"},
    {"try", "try key NAME | try command TEXT"},
    {"map", "map NAME"},
    {"freeplay", "freeplay"},
    {"click", "click LABEL | click Load N"},
    {"close", "close"},
    {"panel", "panel LABEL"},
    {"screenshot", "screenshot FILE.png"},
    {"expect", "expect TEXT"},
    {"count", "count N TEXT"},
    {"see", "see TEXT"},
    {"not-see", "not-see TEXT"},
    {"wait-for", "wait-for TEXT N"},
    {"unload", "unload"},
    {"reload", "reload"},
    {"load", "load"},
    {"help", "help"},
};

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string UnknownStep(std::string_view name) {
    std::string message = "unknown step \"" + std::string(name) + "\"";
    const StepUsage* nearest = nullptr;
    std::size_t best = 3; // more edits than this is another word, not a slip
    for (const StepUsage& usage : kUsages) {
        if (std::size_t distance = EditDistance(name, usage.name); distance < best) {
            best = distance;
            nearest = &usage;
        }
    }
    if (nearest) message += " (did you mean \"" + std::string(nearest->name) + "\"?)";
    message += "; the steps are";
    for (const StepUsage& usage : kUsages) message += (&usage == kUsages ? " " : ", ") + std::string(usage.name);
    return message;
}

} // namespace

std::span<const StepUsage> StepUsages() {
    return kUsages;
}

std::string ScriptError::Describe() const {
    return "script line " + std::to_string(line) + ": " + message;
}

StepReading ReadStep(std::string_view raw, int lineNumber) {
    // Some editors start a UTF-8 file with a byte-order mark, which they never show.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (lineNumber == 1 && raw.starts_with(kByteOrderMark)) raw.remove_prefix(kByteOrderMark.size());
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') return std::optional<Step>();

    auto fail = [&](std::string message) -> StepReading { return ScriptError{lineNumber, std::move(message)}; };
    std::string_view argument;
    std::string_view name = FirstWord(line, argument);
    bool mayBeRefused = false;
    if (name == "try") {
        name = FirstWord(argument, argument);
        if (name != "key" && name != "command") return fail("try takes a key or command step");
        mayBeRefused = true;
    }
    if (name != "command" && name != "expect" && name != "count" && name != "click" && name != "panel" &&
        name != "screenshot" && name != "see" && name != "not-see" && name != "wait-for")
        argument = WithoutComment(argument);
    Step step;
    step.mayBeRefused = mayBeRefused;
    step.line = lineNumber;
    step.text = std::string(argument);

    auto noArgument = [&](Step::Kind kind) -> StepReading {
        if (!argument.empty()) return fail(std::string(name) + " takes no argument");
        step.kind = kind;
        return std::optional<Step>(std::move(step));
    };
    auto word = [&](Step::Kind kind, const char* what) -> StepReading {
        if (argument.empty() || HasBlank(argument)) return fail(std::string(name) + " needs one " + what);
        step.kind = kind;
        return std::optional<Step>(std::move(step));
    };
    auto text = [&](Step::Kind kind, const char* what) -> StepReading {
        if (argument.empty()) return fail(std::string(name) + " needs " + what);
        step.kind = kind;
        return std::optional<Step>(std::move(step));
    };

    if (name == "frames") {
        std::optional<int> count = Number(argument, kMaxFramesPerStep);
        if (!count) return fail("frames needs a count from 0 to " + std::to_string(kMaxFramesPerStep));
        step.kind = Step::Kind::Frames;
        step.number = *count;
        step.text.clear();
        return std::optional<Step>(std::move(step));
    }
    if (name == "key") return word(Step::Kind::Key, "key name");
    if (name == "command") return text(Step::Kind::Command, "a console command");
    if (name == "map") return word(Step::Kind::Map, "map name");
    if (name == "freeplay") return noArgument(Step::Kind::Freeplay);
    if (name == "close") return noArgument(Step::Kind::Close);
    if (name == "unload") return noArgument(Step::Kind::Unload);
    if (name == "reload" || name == "load") return noArgument(Step::Kind::Reload);
    if (name == "help") return noArgument(Step::Kind::Help);
    if (name == "panel") return text(Step::Kind::Panel, "a button label of the sandbox's panel");
    if (name == "see") return text(Step::Kind::See, "the text to look for in the window");
    if (name == "not-see") return text(Step::Kind::NotSee, "the text the window must not show");
    if (name == "wait-for") {
        std::size_t blank = argument.find_last_of(kBlanks);
        std::optional<int> frames =
            blank == std::string_view::npos ? std::nullopt : Number(argument.substr(blank + 1), kMaxFramesPerStep);
        if (!frames)
            return fail("wait-for needs the text and a count of frames from 0 to " + std::to_string(kMaxFramesPerStep));
        step.kind = Step::Kind::WaitFor;
        step.number = *frames;
        step.text = std::string(Trim(argument.substr(0, blank)));
        return std::optional<Step>(std::move(step));
    }
    if (name == "screenshot") return text(Step::Kind::Screenshot, "a file name");
    if (name == "expect") return text(Step::Kind::Expect, "the console line to look for");
    if (name == "click") {
        std::string_view row;
        if (FirstWord(argument, row) == "Load" && !row.empty()) {
            std::optional<int> index = Number(WithoutComment(row), 1 << 30);
            if (!index) return fail("click Load needs a row number from 0");
            step.kind = Step::Kind::ClickLoad;
            step.number = *index;
            return std::optional<Step>(std::move(step));
        }
        return text(Step::Kind::Click, "a button label");
    }
    if (name == "count") {
        std::string_view expected;
        std::optional<int> count = Number(FirstWord(argument, expected), 1 << 30);
        if (!count || expected.empty()) return fail("count needs a number and the console line to count");
        step.kind = Step::Kind::Count;
        step.number = *count;
        step.text = std::string(expected);
        return std::optional<Step>(std::move(step));
    }
    return fail(UnknownStep(name));
}

std::variant<std::vector<Step>, ScriptError> ReadScript(std::string_view text) {
    std::vector<Step> steps;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        StepReading reading = ReadStep(line, lineNumber);
        if (auto* error = std::get_if<ScriptError>(&reading)) return std::move(*error);
        if (auto& step = std::get<std::optional<Step>>(reading)) steps.push_back(std::move(*step));
    }
    return steps;
}

bool ReadLine(std::istream& input, std::string& line, std::string& unreadable) {
    input.exceptions(std::ios::badbit);
    try {
        return static_cast<bool>(std::getline(input, line));
    } catch (const std::ios_base::failure& failure) {
        unreadable = failure.code().message();
        return false;
    }
}

} // namespace sandbox
