#pragma once

#include <filesystem>
#include <string>

namespace sandbox {

// A path as UTF-8 text for a console line or a message; never throws (a name
// that cannot be converted shows as "?"). The narrow form of a Windows path
// would throw for any character outside the ANSI code page.
std::string DisplayPath(const std::filesystem::path& path) noexcept;

} // namespace sandbox
