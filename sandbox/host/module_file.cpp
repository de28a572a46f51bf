#include "host/module_file.h"

#include <random>
#include <string>
#include <system_error>

#include "harness/display_path.h"
#include "harness/plugin_module.h"

namespace sandbox {

ModuleFile::~ModuleFile() {
    // A library that outlived deleteMe stays mapped; Windows then keeps its copy, and so be it.
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

ModuleFile::Stamp ModuleFile::Read(const std::filesystem::path& file) {
    std::error_code error;
    Stamp stamp;
    stamp.time = std::filesystem::last_write_time(file, error);
    if (error) return {};
    stamp.size = std::filesystem::file_size(file, error);
    stamp.exists = !error;
    return stamp;
}

std::filesystem::path ModuleFile::Copy(const std::filesystem::path& file) {
    Stamp now = Read(file);
    std::error_code error;
    if (file == file_ && now == copied_ && now.exists && std::filesystem::exists(copy_, error)) return copy_;
    if (folder_.empty()) {
        std::random_device random;
        std::filesystem::path temp = std::filesystem::temp_directory_path();
        do folder_ = temp / ("tapeloom-sandbox-modules-" + std::to_string(random()));
        while (!std::filesystem::create_directory(folder_));
    }
    if (!copy_.empty()) std::filesystem::remove(copy_, error);
    file_ = file;
    // A new name each time: the loader may still hold an old copy that outlived deleteMe.
    std::filesystem::path name = std::to_string(++copies_) + "-";
    copy_ = folder_ / (name += file.filename());
    copied_ = now;
    if (!std::filesystem::copy_file(file, copy_, error))
        throw ModuleError(DisplayPath(file) + ": cannot be loaded: " + error.message());
    return copy_;
}

bool ModuleFile::Rebuilt() {
    if (file_.empty()) return false;
    Stamp stamp = Read(file_);
    // Judged by the file's own time, so that a build finished while the host waited loads at once.
    return stamp.exists && !(stamp == copied_) && std::filesystem::file_time_type::clock::now() - stamp.time >= kSettle;
}

} // namespace sandbox
