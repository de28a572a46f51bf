// The sandbox's script reader: what each step reads as, and the errors that
// stop a run at the right line instead of doing something else.
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "script/script_reader.h"

namespace {

using sandbox::ReadStep;
using sandbox::ScriptError;
using sandbox::Step;
using Kind = sandbox::Step::Kind;

TEST(ScriptReader, EachStepReadsWithItsArgumentAndEveryMistakeIsNamed) {
    struct Good {
        const char* line;
        Kind kind;
        int number;
        const char* text;
        bool mayBeRefused = false;
    };
    const Good good[] = {
        {"frames 12", Kind::Frames, 12, ""},
        {"\tkey F8\r", Kind::Key, 0, "F8"},
        {"command togglemenu Tapeloom", Kind::Command, 0, "togglemenu Tapeloom"},
        {"click Refresh list", Kind::Click, 0, "Refresh list"},
        {"click Load", Kind::Click, 0, "Load"},
        {"click Load 11", Kind::ClickLoad, 11, "Load 11"},
        {"screenshot out/demo picture.png", Kind::Screenshot, 0, "out/demo picture.png"},
        {"expect  Safe state detected ().  Loading # no comment", Kind::Expect, 0,
         "Safe state detected ().  Loading # no comment"},
        {"count 2 [sandbox] > togglemenu Tapeloom", Kind::Count, 2, "[sandbox] > togglemenu Tapeloom"},
        {"unload", Kind::Unload, 0, ""},
        {"frames 2 # wait", Kind::Frames, 2, ""},
        {"click Load 3 # the newest", Kind::ClickLoad, 3, "Load 3 # the newest"},
        {"try key F9", Kind::Key, 0, "F9", true},
        {"try command togglemenu x # y", Kind::Command, 0, "togglemenu x # y", true},
        {"wait-for now playing a # b.replay 30", Kind::WaitFor, 30, "now playing a # b.replay"},
        {"not-see 12 replays", Kind::NotSee, 0, "12 replays"},
        {"reload # after a build", Kind::Reload, 0, ""},
    };
    for (const Good& row : good) {
        SCOPED_TRACE(row.line);
        sandbox::StepReading reading = ReadStep(row.line, 7);
        auto* step = std::get_if<std::optional<Step>>(&reading);
        ASSERT_TRUE(step && *step);
        EXPECT_EQ((*step)->kind, row.kind);
        EXPECT_EQ((*step)->line, 7);
        EXPECT_EQ((*step)->number, row.number);
        EXPECT_EQ((*step)->text, row.text);
        EXPECT_EQ((*step)->mayBeRefused, row.mayBeRefused);
    }
    for (const char* blank : {"", " \t\r", "# a comment", "   # indented comment"}) {
        sandbox::StepReading reading = ReadStep(blank, 1);
        EXPECT_FALSE(std::get<std::optional<Step>>(reading).has_value()) << blank;
    }

    const std::string bad = "jump 3|Frames 3|frames|frames many|frames -1|frames 3 4|frames 100001|key|key F8 F9|"
                            "frames 99999999999999999999|map|command|click|click Load -1|click Load 2x|screenshot|"
                            "expect|count 2|count x line|close now|unload Tapeloom|load Tapeloom.so|freeplay Park_P|"
                            "try map x|try|see|wait-for x|wait-for 5|wait-for x -1|panel|help me";
    for (std::size_t at = 0, end = 0; at < bad.size(); at = end + 1) {
        end = std::min(bad.find('|', at), bad.size());
        const std::string line = bad.substr(at, end - at);
        sandbox::StepReading reading = ReadStep(line, 7);
        auto* error = std::get_if<ScriptError>(&reading);
        ASSERT_NE(error, nullptr) << line << " was taken as a step";
        EXPECT_EQ(error->Describe().rfind("script line 7: ", 0), 0u) << error->Describe();
    }
    EXPECT_EQ(std::get<ScriptError>(ReadStep("jump 3", 7)).message.rfind("unknown step \"jump\"; the steps are ", 0),
              0u);
    EXPECT_EQ(std::get<ScriptError>(ReadStep("close now", 7)).message, "close takes no argument");
}

TEST(ScriptReader, AWholeScriptStopsAtItsFirstBadLine) {
    auto read = sandbox::ReadScript("# open\r\nkey F8\r\n\r\nframes 2\nfrmaes 5\nunload\n");
    ASSERT_TRUE(std::holds_alternative<ScriptError>(read));
    EXPECT_EQ(std::get<ScriptError>(read).Describe().rfind(
                  "script line 5: unknown step \"frmaes\" (did you mean \"frames\"?)", 0),
              0u);
    auto good = sandbox::ReadScript("key F8\r\nframes 2\nunload");
    ASSERT_TRUE(std::holds_alternative<std::vector<Step>>(good));
    ASSERT_EQ(std::get<std::vector<Step>>(good).size(), 3u) << "the last line needs no line end";
    EXPECT_EQ(std::get<std::vector<Step>>(good)[2].line, 3);
}

} // namespace
