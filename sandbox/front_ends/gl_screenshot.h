#pragma once

#include <filesystem>

#include "front_ends/front_end.h"

namespace sandbox {

// Draws Dear ImGui's last draw data into the bound framebuffer with the
// OpenGL 3 backend, over an opaque background.
void DrawLastFrame(int width, int height);

// Reads the bound framebuffer and writes it as an opaque PNG, top row first.
Screenshot WriteFramebufferPng(const std::filesystem::path& file, int width, int height);

} // namespace sandbox
