// The sandbox's host itself, on the built module: how it processes the
// window's requests to be hidden, and a replay file that went away.
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "demo_profile.h"
#include "host/plugin_host.h"
#include "os.h"
#include "sandbox_host.h"

namespace {

class SandboxHost : public testing::Test {
protected:
    void SetUp() override {
        demos = sandbox::WriteDemoProfile(profile.Path());
        ASSERT_TRUE(sandbox::SetEnvironmentPath("USERPROFILE", profile.Path()));
        host.Load(testhost::TapeloomModulePath());
    }

    std::size_t Count(const std::string& line) const { return transcript.Count(line); }
    void UiFrame() {
        host.Ui().Frame([this] { host.DrawFrame(); });
    }

    sandbox::TemporaryFolder profile;
    std::filesystem::path demos;
    std::ostringstream echo;
    sandbox::Transcript transcript{&echo};
    sandbox::Host host{transcript,
                       [] { return sandbox::MakePicturelessFrontEnd(ImVec2(1280, 720), "not needed here"); }};
};

TEST_F(SandboxHost, RepeatedCloseRequestsHideTheWindowOnceAndNeverShowItAgain) {
    host.Command("togglemenu Tapeloom");
    host.Frame();
    ASSERT_TRUE(host.WindowShown());

    // A host slower than this one: the close button is pressed and three more
    // UI frames run before the queue is processed. The window, still shown,
    // asks to be hidden in each of them.
    ASSERT_TRUE(host.Ui().ClickClose("Tapeloom", [this] { host.DrawFrame(); }));
    for (int i = 0; i < 3; ++i) UiFrame();
    EXPECT_TRUE(host.WindowShown()) << "commands from a frame wait for its end";
    host.DrainCommands();

    EXPECT_FALSE(host.WindowShown());
    EXPECT_EQ(Count("[sandbox] Tapeloom window hidden"), 1u);
    EXPECT_EQ(Count("[sandbox] Tapeloom window already hidden"), 3u) << echo.str();
    host.Frame();
    host.Frame();
    EXPECT_FALSE(host.WindowShown());
    EXPECT_EQ(Count("[sandbox] Tapeloom window shown"), 1u);
    EXPECT_EQ(Count("Refreshing replay list..."), 1u) << "the window was never opened again";

    // A toggle of the person's own still opens it.
    host.Key("F8");
    EXPECT_TRUE(host.WindowShown());
}

TEST_F(SandboxHost, AReplayFileThatIsGoneIsReportedNotPlayed) {
    host.Key("F8");
    host.Frame();
    ASSERT_EQ(host.ClickLoad(0), "");
    ASSERT_EQ(Count("Safe state detected (Menu_MainScreen). Loading replay directly."), 1u);
    // Deleted between the click and the start the host runs after the next frame.
    std::filesystem::path gone = demos / "Overtime_Winner.replay";
    ASSERT_TRUE(std::filesystem::remove(gone));

    host.Frame();
    EXPECT_EQ(Count("[sandbox] PlayReplay: no such replay file: " + sandbox::DisplayPath(gone)), 1u) << echo.str();
    EXPECT_EQ(host.Game().NowPlaying(), "");
    EXPECT_EQ(Count("[sandbox] Tapeloom window hidden"), 1u) << "the start goes on to close the window";
}

} // namespace
