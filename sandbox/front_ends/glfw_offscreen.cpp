// Headless frames on Windows: a hidden GLFW window lends its OpenGL context,
// and pictures are drawn into a framebuffer object of that context. A hidden
// window's own back buffer holds nothing dependable on real drivers.
//
// Implemented features:
//  [X] Screenshots of the last frame, through Dear ImGui's OpenGL 3 backend.
//  [X] Without a display, frames run on without pictures; each screenshot says why.
//  [ ] Mouse and keyboard: script steps drive it.
#include <string>

#include <GLFW/glfw3.h>
// After GLFW's header, which brings the Windows definitions that gl.h needs.
#include <GL/glext.h>
#include <imgui_impl_opengl3.h>

#include "front_ends/front_end.h"
#include "front_ends/gl_screenshot.h"
#include "front_ends/glfw_start.h"

namespace sandbox {

namespace {

// opengl32.dll exports OpenGL 1.1 only: the framebuffer functions come from the driver.
struct FramebufferFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;

    template <typename Function> static bool Load(Function& function, const char* name) {
        function = reinterpret_cast<Function>(glfwGetProcAddress(name));
        return function != nullptr;
    }

    bool Load() {
        return Load(genFramebuffers, "glGenFramebuffers") && Load(deleteFramebuffers, "glDeleteFramebuffers") &&
               Load(bindFramebuffer, "glBindFramebuffer") &&
               Load(framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
               Load(checkFramebufferStatus, "glCheckFramebufferStatus") &&
               Load(genRenderbuffers, "glGenRenderbuffers") && Load(deleteRenderbuffers, "glDeleteRenderbuffers") &&
               Load(bindRenderbuffer, "glBindRenderbuffer") && Load(renderbufferStorage, "glRenderbufferStorage");
    }
};

class OffscreenFrontEnd final : public FrontEnd {
public:
    explicit OffscreenFrontEnd(ImVec2 size)
        : size_(size), width_(static_cast<int>(size.x)), height_(static_cast<int>(size.y)),
          imgui_(ImGui::GetCurrentContext()) {}

    ~OffscreenFrontEnd() override {
        if (window_) {
            glfwMakeContextCurrent(window_);
            if (backend_) {
                ImGuiContext* previous = ImGui::GetCurrentContext();
                ImGui::SetCurrentContext(imgui_);
                ImGui_ImplOpenGL3_Shutdown();
                ImGui::SetCurrentContext(previous);
            }
            if (framebuffer_) gl_.deleteFramebuffers(1, &framebuffer_);
            if (colour_) gl_.deleteRenderbuffers(1, &colour_);
            glfwDestroyWindow(window_);
        }
        if (started_) glfwTerminate();
    }

    std::string Describe() const override { return "headless"; }

    void BeginFrame() override { BeginFixedFrame(size_); }

    // Frames are drawn only when a picture is asked for, and the window is made
    // only then: most headless runs are tests that take none, and under Wine a
    // window costs a second or two, as does learning that there is no display.
    void EndFrame() override {}

    Screenshot WritePicture(const std::filesystem::path& file) override {
        if (!tried_) {
            tried_ = true;
            whyNot_ = Start();
        }
        if (!whyNot_.empty()) return {Screenshot::Outcome::Unavailable, whyNot_};
        glfwMakeContextCurrent(window_);
        gl_.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        DrawLastFrame(width_, height_);
        glFinish();
        return WriteFramebufferPng(file, width_, height_);
    }

private:
    // Empty on success, else why there are no pictures.
    std::string Start() {
        if (std::string whyNot = StartGlfw(); !whyNot.empty()) return whyNot;
        started_ = true;
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
        window_ = glfwCreateWindow(width_, height_, "Tapeloom sandbox", nullptr, nullptr);
        if (!window_) return "no OpenGL 3 context (" + LastGlfwError() + ")";
        glfwMakeContextCurrent(window_);
        if (!gl_.Load()) return "the OpenGL driver offers no framebuffer objects";

        gl_.genRenderbuffers(1, &colour_);
        gl_.bindRenderbuffer(GL_RENDERBUFFER, colour_);
        gl_.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
        gl_.genFramebuffers(1, &framebuffer_);
        gl_.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        gl_.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        if (gl_.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            return "the offscreen framebuffer is incomplete";
        if (!ImGui_ImplOpenGL3_Init("#version 130")) return "the OpenGL 3 renderer did not start";
        backend_ = true;
        return {};
    }

    ImVec2 size_;
    int width_;
    int height_;
    ImGuiContext* imgui_;
    bool tried_ = false;
    bool started_ = false;
    std::string whyNot_;
    GLFWwindow* window_ = nullptr;
    FramebufferFunctions gl_;
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
    bool backend_ = false;
};

} // namespace

std::unique_ptr<FrontEnd> MakeHeadlessFrontEnd(ImVec2 size, std::string& whyNoPictures) {
    whyNoPictures.clear();
    return std::make_unique<OffscreenFrontEnd>(size);
}

} // namespace sandbox
