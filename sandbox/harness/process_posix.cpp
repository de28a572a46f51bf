#include <cstdio>
#include <cstdlib>

#include "harness/process.h"

namespace sandbox {

bool SetEnvironmentPath(const char* name, const std::filesystem::path& value) {
    return setenv(name, value.c_str(), 1) == 0;
}

// A crash already ends the process by its signal, which every shell and CTest
// report; a handler of ours would only hide the sanitizers' own reports.
void ReportCrashes() {}

// Linux's GLFW loads no library that runs threads of its own: nothing to keep.
void KeepLibrariesLoaded(std::initializer_list<const char*>) {}

std::FILE* OpenForWriting(const std::filesystem::path& file) {
    return std::fopen(file.c_str(), "wb");
}

} // namespace sandbox
