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

// Records, at each RenderWindow, the ImGui window it runs in and the journal's length then.
class ProbeWindow : public PluginWindowBase {
public:
    explicit ProbeWindow(testhost::Journal& journal) : journal_(journal) {}
    void RenderWindow() override {
        ++renders;
        drawnInto = ImGui::GetCurrentWindow()->Name;
        commandsAtRender = journal_.size();
        ImGui::Text("contents");
    }

    int renders = 0;
    std::string drawnInto;
    std::size_t commandsAtRender = 0;

private:
    testhost::Journal& journal_;
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
        EXPECT_EQ(ImGui::GetCurrentContext()->CurrentWindowStack.Size, 1);
    }
    void Frame() {
        ui.Frame([this] { Draw(); });
    }
    testhost::Journal Toggles(std::size_t count) { return testhost::Journal(count, "command togglemenu Tapeloom"); }

    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
    testhost::Journal& journal = *console->journal;
    sandbox::UiDriver ui;
    ProbeWindow window{journal};
};

TEST_F(WindowFrame, TheCloseButtonAsksTheHostToHideAfterTheContentsAreDrawnUntilItDoes) {
    Frame();
    window.OnWindowClosed();
    window.OnWindowOpened();
    Frame();
    ASSERT_TRUE(journal.empty()) << "closed and opened by the host: nothing to ask";
    const int rendersBefore = window.renders;

    ASSERT_TRUE(ui.ClickClose("Tapeloom", [this] { Draw(); }));
    EXPECT_FALSE(window.windowOpen);
    EXPECT_GT(window.renders, rendersBefore) << "the contents are still drawn in the closing frame";
    EXPECT_EQ(window.drawnInto, "Tapeloom");
    EXPECT_EQ(window.commandsAtRender, 0u) << "the command follows ImGui::End";
    EXPECT_EQ(journal, Toggles(1));
    EXPECT_TRUE(console->allLogged);
    Frame();
    Frame();
    EXPECT_EQ(journal, Toggles(3)) << "every frame asks again while the host has not hidden it";
}

TEST_F(WindowFrame, ACollapsedWindowDrawsNothingAndAsksNothingUntilExpanded) {
    Frame();
    ASSERT_TRUE(ui.ClickCollapse("Tapeloom", [this] { Draw(); }));
    const int rendersWhenCollapsed = window.renders;
    window.windowOpen = false; // closed while collapsed
    Frame();
    Frame();
    EXPECT_EQ(window.renders, rendersWhenCollapsed);
    EXPECT_TRUE(journal.empty());

    ASSERT_TRUE(ui.ClickCollapse("Tapeloom", [this] { Draw(); }));
    Frame(); // the collapse state changes at the next Begin
    EXPECT_GT(window.renders, rendersWhenCollapsed);
    EXPECT_FALSE(journal.empty()) << "the first expanded frame sends the close request";
}

TEST_F(WindowFrame, NamesInputCaptureAndOverlayState) {
    Frame();
    ImGuiIO& io = ui.Context()->IO;
    for (bool mouse : {false, true}) {
        for (bool keyboard : {false, true}) {
            io.WantCaptureMouse = mouse;
            io.WantCaptureKeyboard = keyboard;
            EXPECT_EQ(window.WantsInputCapture(), mouse || keyboard) << mouse << keyboard;
        }
    }
    window.menuTitle = "Renamed";
    EXPECT_EQ(window.MenuName(), "Tapeloom");
    EXPECT_EQ(window.MenuTitle(), "Renamed");
    window.OnWindowClosed();
    EXPECT_FALSE(window.windowOpen);
    EXPECT_TRUE(window.IsOverlayActive());

    // A host that draws or asks before attaching a context gets nothing, not a crash.
    ImGui::SetCurrentContext(nullptr);
    ProbeWindow unattached{journal};
    unattached.RenderFrame();
    EXPECT_FALSE(unattached.WantsInputCapture());
    EXPECT_EQ(unattached.renders, 0);
}

TEST_F(WindowFrame, ContentsThatThrowLeaveTheHostsWindowCurrent) {
    struct ThrowingWindow : PluginWindowBase {
        void RenderWindow() override {
            ImGui::BeginChild("rows");
            ImGui::Columns(2);
            ImGui::PushID("row");
            throw 42;
        }
    } throwing;
    throwing.OnWindowOpened();
    ui.Frame([&] {
        ImGuiWindow* host = ImGui::GetCurrentWindow();
        throwing.RenderFrame();
        EXPECT_EQ(ImGui::GetCurrentWindow(), host) << ImGui::GetCurrentWindow()->Name;
    });
    EXPECT_EQ(console->lines, std::vector<std::string>{"ERROR while drawing the window: unknown error"});
}

} // namespace
