// The sandbox's script reader: what each step reads as, and the errors that
// stop a run at the right line instead of doing something else.
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "script.h"

using sandbox::ReadScript;
using sandbox::ReadStep;
using sandbox::ScriptError;
using sandbox::Step;
using Kind = sandbox::Step::Kind;

namespace {

Step StepOf(std::string_view line) {
    sandbox::StepReading reading = ReadStep(line, 7);
    if (auto* error = std::get_if<ScriptError>(&reading)) ADD_FAILURE() << line << ": " << error->Describe();
    auto* step = std::get_if<std::optional<Step>>(&reading);
    if (!step || !*step) {
        ADD_FAILURE() << line << " read as no step";
        return {};
    }
    return **step;
}

std::string ErrorOf(std::string_view line) {
    sandbox::StepReading reading = ReadStep(line, 7);
    auto* error = std::get_if<ScriptError>(&reading);
    if (!error) {
        ADD_FAILURE() << line << " was taken as a step";
        return {};
    }
    EXPECT_EQ(error->line, 7);
    return error->message;
}

TEST(ScriptSteps, EachStepReadsWithItsArgument) {
    struct Case {
        const char* line;
        Kind kind;
        int number;
        const char* text;
    };
    const Case cases[] = {
        {"frames 12", Kind::Frames, 12, ""},
        {"frames 0", Kind::Frames, 0, ""},
        {"key F8", Kind::Key, 0, "F8"},
        {"command togglemenu Tapeloom", Kind::Command, 0, "togglemenu Tapeloom"},
        {"map Stadium_P", Kind::Map, 0, "Stadium_P"},
        {"freeplay", Kind::Freeplay, 0, ""},
        {"click Refresh list", Kind::Click, 0, "Refresh list"},
        {"click Load 11", Kind::ClickLoad, 11, "Load 11"},
        {"close", Kind::Close, 0, ""},
        {"screenshot out/demo picture.png", Kind::Screenshot, 0, "out/demo picture.png"},
        {"expect Sorting complete. 12 replays found.", Kind::Expect, 0, "Sorting complete. 12 replays found."},
        {"count 2 Refreshing replay list...", Kind::Count, 2, "Refreshing replay list..."},
        {"unload", Kind::Unload, 0, ""},
        {"load", Kind::Load, 0, ""},
    };
    for (const Case& c : cases) {
        Step step = StepOf(c.line);
        EXPECT_EQ(step.kind, c.kind) << c.line;
        EXPECT_EQ(step.line, 7) << c.line;
        EXPECT_EQ(step.number, c.number) << c.line;
        if (c.kind != Kind::ClickLoad) {
            EXPECT_EQ(step.text, c.text) << c.line;
        }
    }
}

TEST(ScriptSteps, ExpectedLinesKeepTheirInnerSpacingAndMarks) {
    EXPECT_EQ(StepOf("expect [sandbox] > togglemenu Tapeloom").text, "[sandbox] > togglemenu Tapeloom");
    EXPECT_EQ(StepOf("expect  Safe state detected ().  Loading").text, "Safe state detected ().  Loading");
    EXPECT_EQ(StepOf("\texpect 100% done # not a comment\r").text, "100% done # not a comment");
}

TEST(ScriptSteps, ClickLoadNeedsARowNumberElseItIsALabel) {
    EXPECT_EQ(StepOf("click Load").kind, Kind::Click) << "a button labelled Load";
    EXPECT_EQ(StepOf("click Loader 3").kind, Kind::Click);
    EXPECT_EQ(ErrorOf("click Load -1"), "click Load needs a row number from 0");
    EXPECT_EQ(ErrorOf("click Load 2x"), "click Load needs a row number from 0");
}

TEST(ScriptSteps, BlankLinesAndCommentsAreNoSteps) {
    for (const char* line : {"", "   ", "\t\r", "# a comment", "   # indented comment"}) {
        sandbox::StepReading reading = ReadStep(line, 1);
        auto* step = std::get_if<std::optional<Step>>(&reading);
        ASSERT_NE(step, nullptr) << line;
        EXPECT_FALSE(step->has_value()) << line;
    }
}

TEST(ScriptErrors, StepsWithoutTheirArgumentsAreRefused) {
    EXPECT_EQ(ErrorOf("jump 3"), "unknown step \"jump\"");
    EXPECT_EQ(ErrorOf("Frames 3"), "unknown step \"Frames\"") << "step names are lower case";
    EXPECT_NE(ErrorOf("frames"), "");
    EXPECT_NE(ErrorOf("frames many"), "");
    EXPECT_NE(ErrorOf("frames -1"), "");
    EXPECT_NE(ErrorOf("frames 3 4"), "");
    EXPECT_NE(ErrorOf("frames " + std::to_string(sandbox::kMaxFramesPerStep + 1)), "");
    EXPECT_NE(ErrorOf("frames 99999999999999999999"), "");
    EXPECT_NE(ErrorOf("key"), "");
    EXPECT_NE(ErrorOf("key F8 F9"), "");
    EXPECT_NE(ErrorOf("map"), "");
    EXPECT_NE(ErrorOf("command"), "");
    EXPECT_NE(ErrorOf("click"), "");
    EXPECT_NE(ErrorOf("screenshot"), "");
    EXPECT_NE(ErrorOf("expect"), "");
    EXPECT_NE(ErrorOf("count 2"), "");
    EXPECT_NE(ErrorOf("count x line"), "");
    EXPECT_EQ(ErrorOf("close now"), "close takes no argument");
    EXPECT_EQ(ErrorOf("unload Tapeloom"), "unload takes no argument");
    EXPECT_EQ(ErrorOf("load Tapeloom.so"), "load takes no argument");
    EXPECT_EQ(ErrorOf("freeplay Park_P"), "freeplay takes no argument");
}

TEST(ScriptErrors, AWholeScriptStopsAtItsFirstBadLine) {
    auto read = ReadScript("# open\r\nkey F8\r\n\r\nframes 2\nwait 5\nunload\n");
    auto* error = std::get_if<ScriptError>(&read);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->line, 5);
    EXPECT_EQ(error->Describe(), "script line 5: unknown step \"wait\"");

    auto good = ReadScript("key F8\r\nframes 2\nunload");
    auto* steps = std::get_if<std::vector<Step>>(&good);
    ASSERT_NE(steps, nullptr);
    ASSERT_EQ(steps->size(), 3u);
    EXPECT_EQ((*steps)[1].line, 2);
    EXPECT_EQ((*steps)[2].kind, Kind::Unload) << "the last line needs no line end";
}

TEST(ScriptErrors, AnyBytesReadAsStepsOrErrorsNeverAsACrash) {
    // Every short line over a small alphabet that includes the bytes a file may hold by mistake.
    const std::string alphabet{"f ramesLo1#\t\r\0\xff", 15};
    std::string line;
    for (int length = 0; length <= 4; ++length) {
        std::vector<std::size_t> digits(static_cast<std::size_t>(length), 0);
        for (;;) {
            line.clear();
            for (std::size_t d : digits) line.push_back(alphabet[d]);
            sandbox::StepReading reading = ReadStep(line, 1);
            if (auto* error = std::get_if<ScriptError>(&reading)) {
                EXPECT_FALSE(error->message.empty());
            }
            std::size_t i = 0;
            while (i < digits.size() && ++digits[i] == alphabet.size()) digits[i++] = 0;
            if (i == digits.size()) break;
        }
    }
    auto read = ReadScript(std::string("frames 1\n\0\xfe\n", 12));
    EXPECT_TRUE(std::holds_alternative<ScriptError>(read));
}

} // namespace
