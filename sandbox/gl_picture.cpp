#include "gl_picture.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <imgui_impl_opengl3.h>
#include <stb_image_write.h>

namespace sandbox {

void DrawLastFrame(int width, int height) {
    glViewport(0, 0, width, height);
    glClearColor(0.12f, 0.13f, 0.16f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // Creates the backend's shaders and font texture the first time.
    ImGui_ImplOpenGL3_NewFrame();
    if (ImDrawData* data = ImGui::GetDrawData()) ImGui_ImplOpenGL3_RenderDrawData(data);
}

Screenshot WriteFramebufferPng(const std::filesystem::path& file, int width, int height) {
    const auto stride = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (GLenum error = glGetError(); error != GL_NO_ERROR)
        return {Screenshot::Outcome::Failed, "reading the picture failed (OpenGL error " + std::to_string(error) + ")"};

    // OpenGL's rows run bottom up; PNG's top down. The alpha left by blending says nothing about the picture.
    std::vector<std::uint8_t> rows(pixels.size());
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        std::memcpy(rows.data() + y * stride, pixels.data() + (static_cast<std::size_t>(height) - 1 - y) * stride,
                    stride);
    }
    for (std::size_t i = 3; i < rows.size(); i += 4) rows[i] = 255;

    if (!stbi_write_png(file.c_str(), width, height, 4, rows.data(), static_cast<int>(stride)))
        return {Screenshot::Outcome::Failed, "cannot write " + file.string()};
    return {Screenshot::Outcome::Written, std::to_string(width) + "x" + std::to_string(height)};
}

} // namespace sandbox
