#include <cerrno>
#include <ctime>
#include <random>
#include <system_error>

#include <sys/stat.h>

#include "host/module_file.h"

namespace sandbox {

namespace {

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

ModuleFile::Stamp ModuleFile::Read(const std::filesystem::path& file) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) return {};
    return {true, Nanoseconds(info.st_mtim), static_cast<std::uint64_t>(info.st_size)};
}

bool ModuleFile::Settled(const Stamp& stamp) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now) - stamp.time >= std::chrono::nanoseconds(kSettle).count();
}

std::filesystem::path ModuleFile::MakeFolder() {
    std::random_device random;
    std::filesystem::path temp = std::filesystem::temp_directory_path();
    for (;;) {
        std::filesystem::path folder = temp / ("tapeloom-sandbox-modules-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder)) return folder;
    }
}

std::string ModuleFile::CopyTo(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code error;
    return std::filesystem::copy_file(from, to, error) ? std::string() : error.message();
}

void ModuleFile::Remove(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

} // namespace sandbox
