#include <random>
#include <system_error>

#include <windows.h>

#include "host/module_file.h"

namespace sandbox {

namespace {

std::int64_t Ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

std::string LastError() {
    return std::system_category().message(static_cast<int>(GetLastError()));
}

} // namespace

ModuleFile::Stamp ModuleFile::Read(const std::filesystem::path& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return {};
    return {true, Ticks(data.ftLastWriteTime),
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
}

bool ModuleFile::Settled(const Stamp& stamp) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    constexpr std::int64_t kTicksPerMillisecond = 10'000;
    return Ticks(now) - stamp.time >= kSettle.count() * kTicksPerMillisecond;
}

std::filesystem::path ModuleFile::MakeFolder() {
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    if (temp.empty()) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "GetTempPathW");
    std::random_device random;
    for (;;) {
        std::filesystem::path folder =
            std::filesystem::path(temp) / ("tapeloom-sandbox-modules-" + std::to_string(random()));
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateDirectoryW");
    }
}

std::string ModuleFile::CopyTo(const std::filesystem::path& from, const std::filesystem::path& to) {
    return CopyFileW(from.c_str(), to.c_str(), TRUE) ? std::string() : LastError();
}

void ModuleFile::Remove(const std::filesystem::path& file) {
    DeleteFileW(file.c_str());
}

} // namespace sandbox
