#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace sandbox {

// The plug-in module's file across rebuilds. Every load goes through a private
// copy, so that a linker, or a copy over the file, can replace it while the
// module is loaded: Windows locks a loaded DLL, and on Linux writing into a
// mapped library crashes the process that mapped it.
class ModuleFile {
public:
    // How long a changed file must have stayed as it is before it counts as
    // written: a linker writes its output in several goes.
    static constexpr std::chrono::milliseconds kSettle{300};

    ModuleFile() = default;
    ~ModuleFile();
    ModuleFile(const ModuleFile&) = delete;
    ModuleFile& operator=(const ModuleFile&) = delete;

    // A copy of the file as it is now; a new copy only when the file changed
    // since the last. Throws ModuleError naming the file when it cannot be copied.
    std::filesystem::path Copy(const std::filesystem::path& file);
    // Whether the file changed since the last copy and has stayed as it is for kSettle.
    bool Rebuilt();

private:
    struct Stamp {
        bool exists = false;
        std::int64_t time = 0; // the system's own write time
        std::uint64_t size = 0;
        bool operator==(const Stamp&) const = default;
    };

    // The OS's part, one source per OS (module_file_posix.cpp, module_file_win32.cpp):
    // std::filesystem's error_code calls are noexcept and allocate on Windows,
    // where running out of memory in them would end the process.
    static Stamp Read(const std::filesystem::path& file);
    // Whether the write time lies kSettle or more in the past.
    static bool Settled(const Stamp& stamp);
    // A new folder of the sandbox's own in the temporary folder.
    static std::filesystem::path MakeFolder();
    // Empty when copied, else the system's reason.
    static std::string CopyTo(const std::filesystem::path& from, const std::filesystem::path& to);
    static void Remove(const std::filesystem::path& file);

    std::filesystem::path file_;
    std::filesystem::path folder_;
    std::filesystem::path copy_;
    Stamp copied_;
    int copies_ = 0;
};

} // namespace sandbox
