// The window base in a host's frame: contents that throw, and its names.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "harness/ui_driver.h"
#include "log/Log.h"
#include "test_host/fake_host.h"
#include "window/PluginWindowBase.h"

namespace {

using Lines = std::vector<std::string>;

TEST(WindowBase, ContentsThatThrowLeaveTheHostsWindowCurrent) {
    struct Throwing : PluginWindowBase {
        void RenderWindow() override {
            ImGui::BeginChild("rows");
            ImGui::Columns(2);
            ImGui::PushID("row");
            throw 42;
        }
    } window;
    auto console = std::make_shared<testhost::FakeConsole>();
    globalCvarManager = console;
    sandbox::UiDriver ui;
    window.AttachUiContext(ui.ContextAddress());
    window.OnWindowOpened();
    ui.Frame([&] {
        ImGuiWindow* host = ImGui::GetCurrentWindow();
        window.RenderFrame();
        EXPECT_EQ(ImGui::GetCurrentWindow(), host) << ImGui::GetCurrentWindow()->Name;
    });
    EXPECT_EQ(console->lines, Lines{"ERROR while drawing the window: unknown error"});
    window.menuTitle = "Renamed";
    EXPECT_EQ(window.MenuName(), "Tapeloom") << "whatever the title";
    EXPECT_EQ(window.MenuTitle(), "Renamed");
    globalCvarManager.reset();
    ImGui::SetCurrentContext(nullptr);
}

} // namespace
