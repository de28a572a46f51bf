#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>

namespace sandbox {

// Sets a variable of this process's environment where the plug-in's C runtime
// reads it (a plug-in reads USERPROFILE through getenv). False if refused.
bool SetEnvironmentPath(const char* name, const std::filesystem::path& value);

// Makes a crash, the sandbox's or the plug-in's, end the process with a message
// and a non-zero exit code instead of passing unnoticed.
void ReportCrashes();

// Keeps each of these libraries that is loaded until the process ends, whoever
// frees it: for libraries whose own threads outlive an unload (Windows).
void KeepLibrariesLoaded(std::initializer_list<const char*> names);

// Opens a file for writing bytes by its native name: on Windows the wide one,
// which no code page can mangle. Null with errno set when it cannot.
std::FILE* OpenForWriting(const std::filesystem::path& file);

} // namespace sandbox
