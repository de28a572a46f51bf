#include "front_ends/gl_screenshot.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <imgui_impl_opengl3.h>
#include <stb_image_write.h>

#include "harness/process.h"

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

    // stbi_write_png would not tell a failed write or close: a full disk would pass for a picture.
    struct Encoded {
        std::vector<unsigned char> bytes;
        bool failed = false;
    } png;
    auto append = [](void* context, void* data, int size) {
        auto& encoded = *static_cast<Encoded*>(context);
        const auto* bytes = static_cast<const unsigned char*>(data);
        try {
            encoded.bytes.insert(encoded.bytes.end(), bytes, bytes + size);
        } catch (...) {
            encoded.failed = true;
        }
    };
    if (!stbi_write_png_to_func(append, &png, width, height, 4, rows.data(), static_cast<int>(stride)) || png.failed)
        return {Screenshot::Outcome::Failed, "the picture could not be encoded"};
    int code = 0;
    auto failed = [&code] { code = code != 0 ? code : errno != 0 ? errno : EIO; };
    if (std::FILE* out = OpenForWriting(file)) {
        if (std::fwrite(png.bytes.data(), 1, png.bytes.size(), out) != png.bytes.size()) failed();
        if (std::fclose(out) != 0) failed();
    } else {
        failed();
    }
    if (code != 0) return {Screenshot::Outcome::Failed, "cannot write it: " + std::generic_category().message(code)};
    return {Screenshot::Outcome::Written, std::to_string(width) + "x" + std::to_string(height)};
}

} // namespace sandbox
