#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include <imgui.h>

struct ImGuiWindow;

namespace sandbox {

// Keeps the host copy's current context pointed at the given one for a scope.
class ContextScope {
public:
    explicit ContextScope(ImGuiContext* context) : previous_(ImGui::GetCurrentContext()) {
        ImGui::SetCurrentContext(context);
    }
    ~ContextScope() { ImGui::SetCurrentContext(previous_); }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

private:
    ImGuiContext* previous_;
};

// A Dear ImGui context of the host's own ImGui copy, stepped frame by frame
// without a display, with mouse input injected the way a person would click.
// Works on windows drawn by a plug-in through its own ImGui copy: the context
// is plain data that both copies read.
class UiDriver {
public:
    using DrawFunction = std::function<void()>;

    explicit UiDriver(ImVec2 displaySize = ImVec2(1280, 720));
    ~UiDriver();
    UiDriver(const UiDriver&) = delete;
    UiDriver& operator=(const UiDriver&) = delete;

    ImGuiContext* Context() const { return context_; }
    std::uintptr_t ContextAddress() const { return reinterpret_cast<std::uintptr_t>(context_); }

    // One frame: NewFrame, draw, Render. Leaves the host's current context as it found it.
    void Frame(const DrawFunction& draw);
    // One frame, returning the text it showed (see lastFrameText).
    std::string FrameText(const DrawFunction& draw);

    // While set, every frame records the text it showed in lastFrameText, as
    // Dear ImGui's text log writes it: one line per screen row, buttons as
    // "[label]", the hidden part of a label left out. While it logs, Dear
    // ImGui clips nothing, so rows scrolled out of view are listed too. The
    // log ends with the first top-level window, so draw only the window of
    // interest in such frames.
    bool recordText = false;
    std::string lastFrameText;

    // Clicks the item with this ID: moves the mouse over the window until the
    // context reports the item hovered (trying first where it was hovered
    // last), then presses and releases over two frames. The item reports its
    // press in the release frame. False if no point of the window hovers the item.
    bool ClickItem(ImGuiWindow* window, ImGuiID id, const DrawFunction& draw);
    // A button by its label (e.g. "Refresh list", "Load##3") in the named window.
    bool ClickButton(const std::string& windowName, const std::string& label, const DrawFunction& draw);
    // A button by its label in a child window (BeginChild(childName)) of the named window.
    bool ClickButtonInChild(const std::string& windowName, const std::string& childName, const std::string& label,
                            const DrawFunction& draw);
    // The title bar's close button of the named window.
    bool ClickClose(const std::string& windowName, const DrawFunction& draw);
    // The title bar's collapse button of the named window.
    bool ClickCollapse(const std::string& windowName, const DrawFunction& draw);

    // Scrolls the window's content vertically to `y` (takes effect next frame).
    void ScrollTo(ImGuiWindow* window, float y);

    // A top-level window by name, or null.
    ImGuiWindow* FindWindow(const std::string& name) const;
    // A child window (BeginChild(childName) inside `parent`), or null.
    ImGuiWindow* FindChildWindow(const std::string& parent, const std::string& childName) const;
    // The ID a button with this label gets directly inside the window.
    static ImGuiID ItemId(ImGuiWindow* window, const std::string& label);

private:
    // Moves the mouse to the point and runs a frame; true if the item is then hovered.
    bool HoverAt(ImVec2 point, ImGuiID id, const DrawFunction& draw);

    ImGuiContext* context_ = nullptr;
    // Where each item was last hovered.
    std::unordered_map<ImGuiID, ImVec2> lastPoint_;
};

} // namespace sandbox
