#include "window/PluginWindowBase.h"

#include <exception>

#include <imgui.h>

#include "log/Log.h"

namespace {
constexpr const char* kMenuName = "Tapeloom";
}

PluginWindowBase::PluginWindowBase() : menuTitle(kMenuName) {}

PluginWindowBase::~PluginWindowBase() = default;

void PluginWindowBase::RenderFrame() {
    // A host that draws before attaching its context gets nothing drawn rather
    // than a crash inside Dear ImGui.
    if (ImGui::GetCurrentContext() == nullptr) return;

    if (!ImGui::Begin(menuTitle.c_str(), &windowOpen, ImGuiWindowFlags_None)) {
        ImGui::End();
        return;
    }
    try {
        RenderWindow();
    } catch (const std::exception& error) {
        LogFormatted("ERROR while drawing the window: %s", error.what());
    } catch (...) {
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
