#include "host/module_file.h"

#include <string>

#include "harness/display_path.h"
#include "harness/plugin_module.h"

namespace sandbox {

ModuleFile::~ModuleFile() {
    // A library that outlived deleteMe stays mapped; Windows then keeps its copy, and so be it.
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::filesystem::path ModuleFile::Copy(const std::filesystem::path& file) {
    Stamp now = Read(file);
    if (file == file_ && now == copied_ && now.exists && !copy_.empty()) return copy_;
    if (folder_.empty()) folder_ = MakeFolder();
    // One still loaded after it outlived deleteMe goes with the folder, or stays on Windows.
    if (!copy_.empty()) Remove(copy_);
    file_ = file;
    // A new name each time: the loader may still hold an old copy that outlived deleteMe.
    std::filesystem::path name = std::to_string(++copies_) + "-";
    copy_ = folder_ / (name += file.filename());
    // A file that cannot be copied is not tried again until it changes.
    copied_ = now;
    if (std::string failed = CopyTo(file, copy_); !failed.empty()) {
        copy_.clear();
        throw ModuleError(DisplayPath(file) + ": cannot be loaded: " + failed);
    }
    return copy_;
}

bool ModuleFile::Rebuilt() {
    if (file_.empty()) return false;
    Stamp stamp = Read(file_);
    // Judged by the file's own time, so that a build finished while the host waited loads at once.
    return stamp.exists && !(stamp == copied_) && Settled(stamp);
}

} // namespace sandbox
