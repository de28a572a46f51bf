// The module keeps its own Dear ImGui current-context pointer: whatever the
// host's copy points at, the module draws into the context it was given.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "host/plugin_host.h"

namespace {

TEST(SeparateImGuiCopies, ModuleDrawsIntoTheAttachedContextWhateverTheHostPointsAt) {
    testhost::PluginHost host; // attaches host.ui's context
    sandbox::UiDriver other;
    host.Open();

    for (ImGuiContext* hostCurrent : {other.Context(), static_cast<ImGuiContext*>(nullptr)}) {
        ImGui::SetCurrentContext(host.ui.Context());
        ImGui::NewFrame();
        ImGui::SetCurrentContext(hostCurrent);
        host.window->RenderFrame();
        ImGui::SetCurrentContext(host.ui.Context());
        ImGui::Render();

        ImGuiWindow* drawn = ImGui::FindWindowByName("Tapeloom");
        ASSERT_NE(drawn, nullptr);
        EXPECT_EQ(drawn->LastFrameActive, host.ui.Context()->FrameCount);
        EXPECT_TRUE(other.Context()->Windows.empty());
    }

    ImGui::SetCurrentContext(other.Context());
    host.ui.Context()->IO.WantCaptureKeyboard = true;
    other.Context()->IO.WantCaptureKeyboard = false;
    other.Context()->IO.WantCaptureMouse = false;
    EXPECT_TRUE(host.window->WantsInputCapture()) << "the module reads the attached context's flags";
    ImGui::SetCurrentContext(nullptr);
}

} // namespace
