#include "harness/ui_driver.h"

#include <imgui_internal.h>

namespace sandbox {

namespace {

// Smaller than the smallest clickable item (the title bar buttons are about 13 pixels).
constexpr float kSearchStep = 6.0f;

} // namespace

UiDriver::UiDriver(ImVec2 displaySize) {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    context_ = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = displaySize;
    io.DeltaTime = 1.0f / 60.0f;
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsAlpha8(&pixels, &width, &height);
    io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<std::intptr_t>(1)));
    ImGui::SetCurrentContext(previous);
}

UiDriver::~UiDriver() {
    ImGui::DestroyContext(context_);
}

void UiDriver::Frame(const DrawFunction& draw) {
    ContextScope scope(context_);
    if (!recordText) {
        try {
            ImGui::NewFrame();
            draw();
            ImGui::Render();
        } catch (...) {
            // A frame cut short (memory ran out) is closed, so that the next one can begin.
            if (context_->WithinFrameScope) {
                ImGui::ErrorCheckEndFrameRecover(nullptr);
                ImGui::EndFrame();
            }
            throw;
        }
        return;
    }
    ImGui::NewFrame();
    // The End of a top-level window finishes Dear ImGui's text log and clears
    // its buffer; a log "to the clipboard" hands the text to the clipboard
    // function first, and that function is ours for the frame.
    ImGuiIO& io = context_->IO;
    auto* previousFunction = io.SetClipboardTextFn;
    void* previousData = io.ClipboardUserData;
    io.SetClipboardTextFn = [](void* driver, const char* text) {
        static_cast<UiDriver*>(driver)->lastFrameText += text;
    };
    io.ClipboardUserData = this;
    lastFrameText.clear();
    ImGui::LogToClipboard();
    draw();
    ImGui::LogFinish();
    io.SetClipboardTextFn = previousFunction;
    io.ClipboardUserData = previousData;
    ImGui::Render();
}

std::string UiDriver::FrameText(const DrawFunction& draw) {
    bool recording = recordText;
    recordText = true;
    Frame(draw);
    recordText = recording;
    return lastFrameText;
}

ImGuiWindow* UiDriver::FindWindow(const std::string& name) const {
    ContextScope scope(context_);
    return ImGui::FindWindowByName(name.c_str());
}

ImGuiWindow* UiDriver::FindChildWindow(const std::string& parent, const std::string& childName) const {
    ContextScope scope(context_);
    std::string prefix = parent + "/" + childName + "_";
    for (ImGuiWindow* window : context_->Windows) {
        if (std::string_view(window->Name).starts_with(prefix)) return window;
    }
    return nullptr;
}

ImGuiID UiDriver::ItemId(ImGuiWindow* window, const std::string& label) {
    // An item's ID is its label hashed with the ID of the window that holds it.
    return ImHashStr(label.c_str(), label.size(), window->ID);
}

bool UiDriver::HoverAt(ImVec2 point, ImGuiID id, const DrawFunction& draw) {
    context_->IO.MousePos = point;
    context_->IO.MouseDown[0] = false;
    Frame(draw);
    return context_->HoveredId == id;
}

bool UiDriver::ClickItem(ImGuiWindow* window, ImGuiID id, const DrawFunction& draw) {
    if (!window) return false;
    // Search the part of the window that is on the display, row by row.
    ImRect area = window->Rect();
    area.ClipWith(ImRect(ImVec2(0, 0), context_->IO.DisplaySize));
    ImVec2 found;
    bool hovered = false;
    // A window that has not moved since the item's last click needs one frame, not a search of its area.
    if (auto last = lastPoint_.find(id); last != lastPoint_.end() && area.Contains(last->second)) {
        found = last->second;
        hovered = HoverAt(found, id, draw);
    }
    for (float y = area.Min.y + 1; y < area.Max.y && !hovered; y += kSearchStep) {
        for (float x = area.Min.x + 1; x < area.Max.x && !hovered; x += kSearchStep) {
            if (HoverAt(ImVec2(x, y), id, draw)) {
                found = ImVec2(x, y);
                hovered = true;
            }
        }
    }
    if (!hovered) return false;
    lastPoint_[id] = found;

    // 1.86 has no input queue: the press and the release each need their own frame.
    context_->IO.MousePos = found;
    context_->IO.MouseDown[0] = true;
    Frame(draw);
    context_->IO.MouseDown[0] = false;
    Frame(draw);
    // Move away so the next frame does not count as hovering or pressing anything.
    context_->IO.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    return true;
}

bool UiDriver::ClickButton(const std::string& windowName, const std::string& label, const DrawFunction& draw) {
    ImGuiWindow* window = FindWindow(windowName);
    return window && ClickItem(window, ItemId(window, label), draw);
}

bool UiDriver::ClickButtonInChild(const std::string& windowName, const std::string& childName, const std::string& label,
                                  const DrawFunction& draw) {
    ImGuiWindow* child = FindChildWindow(windowName, childName);
    return child && ClickItem(child, ItemId(child, label), draw);
}

bool UiDriver::ClickClose(const std::string& windowName, const DrawFunction& draw) {
    return ClickButton(windowName, "#CLOSE", draw);
}

bool UiDriver::ClickCollapse(const std::string& windowName, const DrawFunction& draw) {
    return ClickButton(windowName, "#COLLAPSE", draw);
}

void UiDriver::ScrollTo(ImGuiWindow* window, float y) {
    ContextScope scope(context_);
    ImGui::SetScrollY(window, y);
}

} // namespace sandbox
