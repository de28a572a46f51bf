#include "harness/plugin_module.h"

#include <iterator>

#include "harness/display_path.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>

#include <dlfcn.h>
#include <elf.h>
#endif

namespace sandbox {

namespace {

#if !defined(_WIN32)
#if defined(__x86_64__)
constexpr Elf64_Half kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr Elf64_Half kMachine = EM_AARCH64;
#else
#error "no ELF machine code is known for this processor"
#endif
static_assert(std::endian::native == std::endian::little, "the ELF headers are read as this machine lays them out");

// dlopen maps a module's segments without asking whether the file holds them:
// a cut file would fault (SIGBUS) at the first touch of a missing page instead
// of failing to load. Empty when what the loader reads lies within the file.
std::string CutShort(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    std::ifstream input(file, std::ios::binary);
    // Not there, not a file or not readable: dlopen says which.
    if (error || !input) return {};
    auto within = [size](std::uint64_t offset, std::uint64_t bytes) {
        return offset <= size && bytes <= size - offset;
    };
    auto readAt = [&](std::uint64_t offset, void* into, std::size_t bytes) {
        return within(offset, bytes) && input.seekg(static_cast<std::streamoff>(offset)) &&
               input.read(static_cast<char*>(into), static_cast<std::streamsize>(bytes));
    };

    Elf64_Ehdr header{};
    if (!readAt(0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
        header.e_machine != kMachine || header.e_phentsize != sizeof(Elf64_Phdr)) {
        return "not a 64-bit little-endian ELF file for this machine";
    }
    if (!within(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(Elf64_Phdr)))
        return "cut short: its program headers end past the file's " + std::to_string(size) + " bytes";
    for (Elf64_Half i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        if (!readAt(header.e_phoff + std::uint64_t{i} * sizeof segment, &segment, sizeof segment))
            return "its program headers cannot be read";
        if (segment.p_type == PT_LOAD && !within(segment.p_offset, segment.p_filesz))
            return "cut short: a loadable segment ends past the file's " + std::to_string(size) + " bytes";
    }
    return {};
}
#endif

std::string LoadFailure() {
#if defined(_WIN32)
    return "cannot be loaded (system error " + std::to_string(GetLastError()) + ")";
#else
    const char* reason = dlerror();
    return std::string("cannot be loaded: ") + (reason ? reason : "unknown reason");
#endif
}

} // namespace

PluginModule::PluginModule(const std::filesystem::path& file) : file_(file) {
    using namespace Quintra::Plugin;
    auto refuse = [&](const std::string& problem) {
        Close();
        throw ModuleError(DisplayPath(file_) + ": " + problem);
    };

#if defined(_WIN32)
    handle_ = LoadLibraryW(file_.c_str());
#else
    if (std::string cut = CutShort(file_); !cut.empty()) refuse("cannot be loaded: " + cut);
    handle_ = dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (!handle_) refuse(LoadFailure());

    descriptor_ = static_cast<const PluginDescriptor*>(Symbol(kDescriptorSymbol));
    if (!descriptor_) refuse(std::string("not a plug-in: no \"") + kDescriptorSymbol + "\" descriptor");
    if (descriptor_->apiVersion != kHostApiVersion) {
        refuse("wrong host interface version " + std::to_string(descriptor_->apiVersion) + " (this host speaks " +
               std::to_string(kHostApiVersion) + ")");
    }
    if (!descriptor_->create || !Symbol(kCreateSymbol)) refuse(std::string("lacks the entry point ") + kCreateSymbol);
    if (!descriptor_->release || !Symbol(kReleaseSymbol))
        refuse(std::string("lacks the entry point ") + kReleaseSymbol);
}

PluginModule::~PluginModule() {
    Close();
}

void PluginModule::Close() noexcept {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
    descriptor_ = nullptr;
}

void* PluginModule::Symbol(const char* name) const {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

std::filesystem::path ExecutableFolder() {
#if defined(_WIN32)
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::filesystem::path(buffer).parent_path();
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

std::filesystem::path ModuleFileName(const std::string& stem) {
#if defined(_WIN32)
    return stem + ".dll";
#else
    return stem + ".so";
#endif
}

} // namespace sandbox
