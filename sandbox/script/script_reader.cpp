#include "script/script_reader.h"

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

} // namespace

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
    Step step;
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
    if (name == "load") return noArgument(Step::Kind::Load);
    if (name == "screenshot") return text(Step::Kind::Screenshot, "a file name");
    if (name == "expect") return text(Step::Kind::Expect, "the console line to look for");
    if (name == "click") {
        std::string_view row;
        if (FirstWord(argument, row) == "Load" && !row.empty()) {
            std::optional<int> index = Number(row, 1 << 30);
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
    return fail("unknown step \"" + std::string(name) + "\"");
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
