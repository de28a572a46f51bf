// The sandbox's console alone: when commands take effect, what a toggle means,
// and what is left of a plug-in's registrations once it is forgotten.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/console.h"

namespace {

class SandboxConsole : public testing::Test {
protected:
    std::size_t Count(const std::string& line) const { return transcript.Count(line); }

    sandbox::Transcript transcript;
    bool shown = false;
    int freeplayLoads = 0;
    sandbox::Console console{transcript,
                             {
                                 .windowShown = [this](const std::string& name) -> std::optional<bool> {
                                     if (name != "Tapeloom") return std::nullopt;
                                     return shown;
                                 },
                                 .showWindow =
                                     [this](const std::string& name, bool show) {
                                         if (shown != show)
                                             transcript.Sandbox(name + (show ? " shown" : " hidden"));
                                         else
                                             transcript.Sandbox(name + " already " + (show ? "shown" : "hidden"));
                                         shown = show;
                                     },
                                 .loadFreeplay = [this] { ++freeplayLoads; },
                                 .callPlugin = [](const char*, const std::function<void()>& call) { call(); },
                             }};
};

TEST_F(SandboxConsole, RepeatedCloseRequestsFromAFrameHideTheWindowOnceAndNeverShowItAgain) {
    console.SetBind(1, "F8", "togglemenu Tapeloom");
    console.Key("F8");
    ASSERT_TRUE(shown);

    // A window whose close button asks to be hidden in each of four frames
    // before the host gets to its queue.
    console.SetFrameRunning(true);
    for (int i = 0; i < 4; ++i) console.Issue("togglemenu Tapeloom");
    EXPECT_TRUE(shown) << "commands from a frame wait for its end";
    console.SetFrameRunning(false);
    console.Drain();
    EXPECT_FALSE(shown);
    EXPECT_EQ(Count("[sandbox] Tapeloom hidden"), 1u);
    EXPECT_EQ(Count("[sandbox] Tapeloom already hidden"), 3u);
    EXPECT_EQ(Count("[sandbox] > togglemenu Tapeloom"), 5u);

    // Outside a frame a toggle follows the state it finds.
    console.Key("F8");
    EXPECT_TRUE(shown);
    console.Issue("togglemenu Tapeloom");
    EXPECT_FALSE(shown);
}

TEST_F(SandboxConsole, CommandsReachTheirNotifiersInOrderAndEveryOtherIsNamed) {
    std::vector<std::vector<std::string>> calls;
    console.RegisterNotifier(1, "first", [&](std::vector<std::string> words) {
        calls.push_back(words);
        console.Issue("second");
    });
    console.RegisterNotifier(1, "second", [&](std::vector<std::string> words) { calls.push_back(words); });
    console.Issue("  first  a   b ");
    console.Issue("third");
    const std::vector<std::vector<std::string>> expected = {{"first", "a", "b"}, {"second"}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(Count("[sandbox] unknown command: third"), 1u);

    console.Issue("load_freeplay");
    EXPECT_EQ(freeplayLoads, 1);
    console.Issue("togglemenu Tapeloomm");
    EXPECT_EQ(Count("[sandbox] togglemenu: no window named \"Tapeloomm\""), 1u);
    console.Key("F9");
    EXPECT_EQ(Count("[sandbox] key F9: nothing is bound to it"), 1u);
}

TEST_F(SandboxConsole, ACommandWithoutEndIsCutAndAForgottenOwnerReachesNothing) {
    int calls = 0;
    console.RegisterNotifier(1, "again", [&](std::vector<std::string>) {
        ++calls;
        console.Issue("again");
    });
    console.Issue("again");
    EXPECT_EQ(calls, sandbox::Console::kMaxCommandsInARow);
    EXPECT_EQ(console.EndlessRuns(), 1);
    EXPECT_EQ(Count("[sandbox] a command keeps issuing commands; 1 dropped"), 1u);

    // A later registration of a name replaces the earlier one.
    console.RegisterNotifier(2, "again", [&](std::vector<std::string>) { calls = -1; });
    console.SetBind(2, "F8", "again");
    console.Forget(2);
    console.Key("F8");
    console.Issue("again");
    EXPECT_EQ(calls, sandbox::Console::kMaxCommandsInARow);
    EXPECT_EQ(Count("[sandbox] unknown command: again"), 1u);
}

} // namespace
