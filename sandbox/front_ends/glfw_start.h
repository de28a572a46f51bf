#pragma once

#include <string>

namespace sandbox {

// Starts GLFW for either front end that uses it. Empty on success, else why
// there is no display.
std::string StartGlfw();

// GLFW's description of its last error, for the reason a window was not had.
const std::string& LastGlfwError();

} // namespace sandbox
