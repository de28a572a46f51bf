#include "harness/display_path.h"

namespace sandbox {

std::string DisplayPath(const std::filesystem::path& path) noexcept {
    try {
        std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (...) {
        return "?";
    }
}

} // namespace sandbox
