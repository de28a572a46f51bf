// The window base through real Dear ImGui frames: the close button, a
// collapsed window, input capture, names, and a host that forgot its context.
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "host/fake_host.h"
#include "log/Log.h"
#include "ui_driver.h"
#include "window/PluginWindowBase.h"

namespace {

// Records, at each RenderWindow, the ImGui window it runs in and how many
// commands the console had then.
class ProbeWindow : public PluginWindowBase {
public:
    explicit ProbeWindow(testhost::FakeConsole& console) : console_(console) {}

    void RenderWindow() override {
        ++renders;
        drawnInto = ImGui::GetCurrentWindow()->Name;
        commandsAtRender = console_.commands.size();
        ImGui::Text("contents");
    }

    int renders = 0;
    std::string drawnInto;
    std::size_t commandsAtRender = 0;

private:
    testhost::FakeConsole& console_;
};

class WindowFrame : public testing::Test {
protected:
    void SetUp() override {
        globalCvarManager = console;
        window.AttachUiContext(ui.ContextAddress());
        window.OnWindowOpened();
    }
    void TearDown() override {
        globalCvarManager.reset();
        ImGui::SetCurrentContext(nullptr);
    }

    void Draw() {
        ImGui::SetNextWindowPos(ImVec2(40, 40), ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowSize(ImVec2(400, 300), ImGuiCond_FirstUseEver);
        window.RenderFrame();
        // Begin and End stay paired whatever RenderFrame decided.
        stackAfterFrame = ImGui::GetCurrentContext()->CurrentWindowStack.Size;
    }
    void Frame() {
        ui.Frame([this] { Draw(); });
    }
    std::vector<std::pair<std::string, bool>> Toggles(std::size_t count) {
        return std::vector<std::pair<std::string, bool>>(count, {"togglemenu Tapeloom", true});
    }

    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
    sandbox::UiDriver ui;
    ProbeWindow window{*console};
    int stackAfterFrame = -1;
};

TEST_F(WindowFrame, CloseButtonAsksTheHostToHideAfterTheContentsAreDrawn) {
    Frame();
    ASSERT_TRUE(console->commands.empty());
    int rendersBefore = window.renders;

    ASSERT_TRUE(ui.ClickClose("Tapeloom", [this] { Draw(); }));
    EXPECT_FALSE(window.windowOpen);
    EXPECT_GT(window.renders, rendersBefore) << "the contents are still drawn in the closing frame";
    EXPECT_EQ(window.drawnInto, "Tapeloom");
    EXPECT_EQ(window.commandsAtRender, 0u) << "the command follows ImGui::End";
    EXPECT_EQ(console->commands, Toggles(1));
    EXPECT_EQ(stackAfterFrame, 1);

    // The host has not hidden the window yet: every frame asks again.
    Frame();
    Frame();
    EXPECT_EQ(console->commands, Toggles(3));
}

TEST_F(WindowFrame, ClosedThenOpenedByTheHostStaysOpenAndSendsNothing) {
    Frame();
    window.OnWindowClosed();
    window.OnWindowOpened();
    Frame();
    EXPECT_TRUE(window.windowOpen);
    EXPECT_TRUE(console->commands.empty());
}

TEST_F(WindowFrame, CollapsedWindowDrawsNothingAndAsksNothingUntilExpanded) {
    Frame();
    ASSERT_TRUE(ui.ClickCollapse("Tapeloom", [this] { Draw(); }));
    int rendersWhenCollapsed = window.renders;

    window.windowOpen = false; // closed while collapsed
    Frame();
    Frame();
    EXPECT_EQ(window.renders, rendersWhenCollapsed);
    EXPECT_TRUE(console->commands.empty());
    EXPECT_EQ(stackAfterFrame, 1) << "one End for the Begin that returned false";

    ASSERT_TRUE(ui.ClickCollapse("Tapeloom", [this] { Draw(); }));
    Frame(); // the collapse state changes at the next Begin
    EXPECT_GT(window.renders, rendersWhenCollapsed);
    EXPECT_FALSE(console->commands.empty()) << "the first expanded frame sends the close request";
}

TEST_F(WindowFrame, InputCaptureIsWantedWhenEitherFlagIsSet) {
    Frame();
    ImGuiIO& io = ui.Context()->IO;
    for (bool mouse : {false, true}) {
        for (bool keyboard : {false, true}) {
            io.WantCaptureMouse = mouse;
            io.WantCaptureKeyboard = keyboard;
            EXPECT_EQ(window.WantsInputCapture(), mouse || keyboard) << mouse << keyboard;
        }
    }
}

TEST_F(WindowFrame, NamesAndOverlayState) {
    window.menuTitle = "Renamed";
    EXPECT_EQ(window.MenuName(), "Tapeloom");
    EXPECT_EQ(window.MenuTitle(), "Renamed");
    window.OnWindowClosed();
    EXPECT_TRUE(window.IsOverlayActive());
}

TEST(WindowWithoutContext, DrawingOrAskingBeforeAttachIsHarmless) {
    ImGui::SetCurrentContext(nullptr);
    testhost::FakeConsole console;
    ProbeWindow window{console};
    window.RenderFrame();
    EXPECT_FALSE(window.WantsInputCapture());
    EXPECT_EQ(window.renders, 0);
}

} // namespace
