#include "window/PluginWindowBase.h"

#include <exception>

#include <imgui.h>
#include <imgui_internal.h>

#include "log/Log.h"

namespace {
constexpr const char* kMenuName = "Tapeloom";

// After contents that threw: closes what they left open (child windows,
// columns, tables, pushed IDs and styles) down to the window begun at `depth`,
// so that the End that follows closes that window and not a child of it.
void RecoverWindowStack(int depth) noexcept {
    ImGuiContext& context = *ImGui::GetCurrentContext();
    while (context.CurrentWindowStack.Size > depth + 1) {
        ImGui::ErrorCheckEndWindowRecover(nullptr);
        if ((context.CurrentWindow->Flags & ImGuiWindowFlags_ChildWindow) != 0) {
            ImGui::EndChild();
        } else {
            ImGui::End();
        }
    }
    ImGui::ErrorCheckEndWindowRecover(nullptr);
}
} // namespace

PluginWindowBase::PluginWindowBase() : menuTitle(kMenuName) {}

PluginWindowBase::~PluginWindowBase() = default;

void PluginWindowBase::RenderFrame() {
    // A host that draws before attaching its context gets nothing drawn rather
    // than a crash inside Dear ImGui.
    if (ImGui::GetCurrentContext() == nullptr) return;

    const int depth = ImGui::GetCurrentContext()->CurrentWindowStack.Size;
    if (!ImGui::Begin(menuTitle.c_str(), &windowOpen, ImGuiWindowFlags_None)) {
        ImGui::End();
        return;
    }
    try {
        RenderWindow();
    } catch (const std::exception& error) {
        RecoverWindowStack(depth);
        LogFormatted("ERROR while drawing the window: %s", error.what());
    } catch (...) {
        RecoverWindowStack(depth);
        LogFormatted("ERROR while drawing the window: %s", "unknown error");
    }
    ImGui::End();

    if (!windowOpen) {
        try {
            if (auto console = LogConsole()) console->executeCommand(ToggleCommand(), true);
        } catch (...) {
            // The next frame asks again.
        }
    }
}

std::string PluginWindowBase::MenuName() {
    return kMenuName;
}

std::string PluginWindowBase::MenuTitle() {
    return menuTitle;
}

void PluginWindowBase::AttachUiContext(std::uintptr_t context) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
}

bool PluginWindowBase::WantsInputCapture() {
    if (ImGui::GetCurrentContext() == nullptr) return false;
    const ImGuiIO& io = ImGui::GetIO();
    return io.WantCaptureMouse || io.WantCaptureKeyboard;
}

bool PluginWindowBase::IsOverlayActive() {
    return true;
}

void PluginWindowBase::OnWindowOpened() {
    windowOpen = true;
}

void PluginWindowBase::OnWindowClosed() {
    windowOpen = false;
}

std::string PluginWindowBase::ToggleCommand() {
    return "togglemenu " + MenuName();
}
