#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <imgui.h>

namespace sandbox {

struct Screenshot {
    enum class Outcome { Written, Unavailable, Failed };
    Outcome outcome = Outcome::Failed;
    std::string detail; // the picture's size, or why there is none
};

// Where the host's frames go: a real window, an offscreen picture, or nowhere.
// Every call runs with the host's Dear ImGui context current.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // "window", "headless (...)": for the transcript.
    virtual std::string Describe() const = 0;
    // Before NewFrame: display size, time and, in a window, the person's input.
    virtual void BeginFrame() = 0;
    // After Render: draws and presents, where there is something to present to.
    virtual void EndFrame() = 0;
    // Draws the draw data of the last frame and writes it as a PNG.
    virtual Screenshot WritePicture(const std::filesystem::path& file) = 0;

    // A window's own life: keys the person pressed since the last frame, and
    // whether they asked to close it. A headless front end has neither.
    virtual std::vector<std::string> TakePressedKeys() { return {}; }
    virtual bool CloseRequested() const { return false; }
};

// A windowless frame: a fixed size, and a fixed 60th of a second, so that a
// script's frame counts mean the same time on any machine.
inline void BeginFixedFrame(ImVec2 size) {
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = size;
    io.DeltaTime = 1.0f / 60.0f;
}

// Frames without a window. They are drawn offscreen when a picture is asked
// for: on Linux through EGL without a surface, on Windows in a hidden
// window's context. On Linux, where EGL cannot be had, frames run without
// pictures and `whyNoPictures` says why; on Windows each picture says why.
std::unique_ptr<FrontEnd> MakeHeadlessFrontEnd(ImVec2 size, std::string& whyNoPictures);

// A real window (GLFW, OpenGL 3) when a display exists; null otherwise, with the reason.
std::unique_ptr<FrontEnd> MakeWindowFrontEnd(ImVec2 size, std::string& whyNot);

// Frames with no pictures at all, for where nothing can draw them.
std::unique_ptr<FrontEnd> MakePicturelessFrontEnd(ImVec2 size, std::string reason);

} // namespace sandbox
