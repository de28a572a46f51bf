// A real window, on Linux and on Windows: GLFW with an OpenGL 3 context, Dear ImGui's own GLFW
// and OpenGL 3 backends, and the function keys passed on to the host's binds.
//
// Implemented features:
//  [X] Mouse and keyboard into both windows, through Dear ImGui's GLFW backend.
//  [X] F1-F12 to the plug-in's key binds; Ctrl+R reloads the module.
//  [X] Screenshots of the last frame (read back from the window's back buffer).
//  [X] Closing the window ends the run the way Ctrl-C does: the plug-in is unloaded.
#include <string>
#include <utility>
#include <vector>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl3.h>

#include "front_ends/front_end.h"
#include "front_ends/gl_screenshot.h"
#include "front_ends/glfw_start.h"

namespace sandbox {

namespace {

class GlfwFrontEnd final : public FrontEnd {
public:
    explicit GlfwFrontEnd(ImVec2 size) : size_(size), imgui_(ImGui::GetCurrentContext()) {}

    ~GlfwFrontEnd() override {
        ImGuiContext* previous = ImGui::GetCurrentContext();
        ImGui::SetCurrentContext(imgui_);
        if (window_) glfwMakeContextCurrent(window_);
        if (renderer_) ImGui_ImplOpenGL3_Shutdown();
        if (platform_) ImGui_ImplGlfw_Shutdown();
        ImGui::SetCurrentContext(previous);
        if (window_) glfwDestroyWindow(window_);
        if (started_) glfwTerminate();
    }

    std::string Start() {
        if (std::string whyNot = StartGlfw(); !whyNot.empty()) return whyNot;
        started_ = true;
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
        window_ = glfwCreateWindow(static_cast<int>(size_.x), static_cast<int>(size_.y), "Tapeloom sandbox", nullptr,
                                   nullptr);
        if (!window_) return "no OpenGL 3 window (" + LastGlfwError() + ")";
        glfwMakeContextCurrent(window_);
        glfwSwapInterval(1);
        glfwSetWindowUserPointer(window_, this);
        // Set before the backend installs its own, which then chains to this one.
        glfwSetKeyCallback(window_, [](GLFWwindow* window, int key, int, int action, int mods) {
            auto* self = static_cast<GlfwFrontEnd*>(glfwGetWindowUserPointer(window));
            // The host's reload key; named as the host names it.
            if (action == GLFW_PRESS && key == GLFW_KEY_R && (mods & GLFW_MOD_CONTROL) != 0)
                self->pressed_.push_back("Ctrl+R");
            // Appended rather than "F" + number: at -O3 GCC 12 warns that operator+'s
            // insert might copy overlapping bytes (-Wrestrict), a false alarm.
            if (action == GLFW_PRESS && key >= GLFW_KEY_F1 && key <= GLFW_KEY_F12)
                self->pressed_.push_back(std::string("F").append(std::to_string(key - GLFW_KEY_F1 + 1)));
        });
        platform_ = ImGui_ImplGlfw_InitForOpenGL(window_, true);
        if (!platform_) return "the GLFW backend did not start";
        renderer_ = ImGui_ImplOpenGL3_Init("#version 130");
        if (!renderer_) return "the OpenGL 3 renderer did not start";
        return {};
    }

    std::string Describe() const override { return "window"; }

    void BeginFrame() override {
        // Waits a little for input instead of spinning: under a display without vsync a frame would otherwise take a
        // whole core.
        glfwWaitEventsTimeout(1.0 / 60.0);
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplGlfw_NewFrame();
    }

    void EndFrame() override {
        glfwMakeContextCurrent(window_);
        int width = 0;
        int height = 0;
        glfwGetFramebufferSize(window_, &width, &height);
        DrawLastFrame(width, height);
        glfwSwapBuffers(window_);
    }

    Screenshot WritePicture(const std::filesystem::path& file) override {
        glfwMakeContextCurrent(window_);
        int width = 0;
        int height = 0;
        glfwGetFramebufferSize(window_, &width, &height);
        // Drawn again into the back buffer and read before any swap.
        DrawLastFrame(width, height);
        glFinish();
        return WriteFramebufferPng(file, width, height);
    }

    std::vector<std::string> TakePressedKeys() override { return std::exchange(pressed_, {}); }
    bool CloseRequested() const override { return glfwWindowShouldClose(window_) != 0; }

private:
    ImVec2 size_;
    ImGuiContext* imgui_;
    GLFWwindow* window_ = nullptr;
    bool started_ = false;
    bool platform_ = false;
    bool renderer_ = false;
    std::vector<std::string> pressed_;
};

} // namespace

std::unique_ptr<FrontEnd> MakeWindowFrontEnd(ImVec2 size, std::string& whyNot) {
    auto frontEnd = std::make_unique<GlfwFrontEnd>(size);
    whyNot = frontEnd->Start();
    if (whyNot.empty()) return frontEnd;
    return nullptr;
}

} // namespace sandbox
