// Headless frames on Linux: an OpenGL 3 context from EGL without any surface
// (Mesa draws in software where there is no GPU), drawing into a framebuffer
// object that a screenshot reads back.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <imgui_impl_opengl3.h>

#include "front_ends/front_end.h"
#include "front_ends/gl_screenshot.h"

namespace sandbox {

namespace {

class EglFrontEnd final : public FrontEnd {
public:
    explicit EglFrontEnd(ImVec2 size)
        : size_(size), width_(static_cast<int>(size.x)), height_(static_cast<int>(size.y)),
          imgui_(ImGui::GetCurrentContext()) {}

    ~EglFrontEnd() override {
        if (context_ != EGL_NO_CONTEXT) {
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
            if (backend_) {
                ImGuiContext* previous = ImGui::GetCurrentContext();
                ImGui::SetCurrentContext(imgui_);
                ImGui_ImplOpenGL3_Shutdown();
                ImGui::SetCurrentContext(previous);
            }
            if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
            if (colour_) glDeleteRenderbuffers(1, &colour_);
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(display_, context_);
        }
        // The display itself stays initialised until the process ends: eglTerminate
        // unloads Mesa's driver, which leaves an allocation behind that a leak
        // checker cannot even attribute any more. Displays are per process anyway.
    }

    // Empty on success, else why there are no pictures.
    std::string Start() {
        display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr))
            return "no EGL display without a surface (Mesa's EGL is needed)";
        if (!eglBindAPI(EGL_OPENGL_API)) return "EGL offers no desktop OpenGL";
        const EGLint configWanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint found = 0;
        if (!eglChooseConfig(display_, configWanted, &config, 1, &found) || found == 0)
            return "EGL has no OpenGL configuration";
        const EGLint contextWanted[] = {
            EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
            EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
        context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, contextWanted);
        if (context_ == EGL_NO_CONTEXT) return "EGL cannot create an OpenGL 3.3 context";
        if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_))
            return "EGL cannot use a context without a surface";

        glGenRenderbuffers(1, &colour_);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            return "the offscreen framebuffer is incomplete";
        if (!ImGui_ImplOpenGL3_Init("#version 330 core")) return "the OpenGL 3 renderer did not start";
        backend_ = true;
        return {};
    }

    std::string Describe() const override { return "headless"; }

    void BeginFrame() override { BeginFixedFrame(size_); }

    // Frames are drawn only when a picture is asked for: a headless run is
    // mostly a test, and software drawing costs far more than the frame itself.
    void EndFrame() override {}

    Screenshot WritePicture(const std::filesystem::path& file) override {
        if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_))
            return {Screenshot::Outcome::Failed, "the EGL context was lost"};
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        DrawLastFrame(width_, height_);
        glFinish();
        return WriteFramebufferPng(file, width_, height_);
    }

private:
    ImVec2 size_;
    int width_;
    int height_;
    ImGuiContext* imgui_;
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
    bool backend_ = false;
};

} // namespace

std::unique_ptr<FrontEnd> MakeHeadlessFrontEnd(ImVec2 size, std::string& whyNoPictures) {
    auto frontEnd = std::make_unique<EglFrontEnd>(size);
    whyNoPictures = frontEnd->Start();
    if (whyNoPictures.empty()) return frontEnd;
    frontEnd.reset();
    return MakePicturelessFrontEnd(size, whyNoPictures);
}

} // namespace sandbox
