// The sandbox's host itself, on the built module: a replay file that went away.
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/demo_profile.h"
#include "harness/display_path.h"
#include "harness/process.h"
#include "host/host.h"
#include "tapeloom/tapeloom.h"
#include "test_host/plugin_host.h"

namespace {

class SandboxHost : public testing::Test {
protected:
    void SetUp() override {
        demos = sandbox::WriteDemoProfile(profile.Path());
        ASSERT_TRUE(sandbox::SetEnvironmentPath("USERPROFILE", profile.Path()));
        host.Load(testhost::TapeloomModulePath());
    }

    std::size_t Count(const std::string& line) const { return transcript.Count(line); }

    sandbox::TemporaryFolder profile;
    std::filesystem::path demos;
    std::ostringstream echo;
    sandbox::Transcript transcript{&echo};
    sandbox::Host host{transcript,
                       [] { return sandbox::MakePicturelessFrontEnd(ImVec2(1280, 720), "not needed here"); }};
};

TEST_F(SandboxHost, AReplayFileThatIsGoneIsReportedNotPlayed) {
    host.Key("F8");
    host.Frame();
    ASSERT_EQ(sandbox::tapeloom::ClickRow(host, 0), "");
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
