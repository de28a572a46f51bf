#include "front_ends/glfw_start.h"

#include <GLFW/glfw3.h>

#include "harness/process.h"

namespace sandbox {

namespace {

std::string lastError;

void RememberError(int, const char* description) {
    lastError = description ? description : "unknown error";
}

} // namespace

std::string StartGlfw() {
    glfwSetErrorCallback(RememberError);
    if (!glfwInit()) return "no display (" + lastError + ")";
    // GLFW loads these for joysticks and frees them in glfwTerminate. Wine's
    // XInput keeps a thread of its own running in its code, which then ran
    // into the unloaded library now and then, crashing the sandbox as it closed.
    KeepLibrariesLoaded(
        {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll", "xinput1_2.dll", "xinput1_1.dll", "dinput8.dll"});
    return {};
}

const std::string& LastGlfwError() {
    return lastError;
}

} // namespace sandbox
