#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <pluginsdk/CVarManagerWrapper.h>

// Every log line of the module goes through this handle; onLoad fills it.
// Defined beside pluginSingleton (module_globals.cpp), which it must not outlive.
extern std::shared_ptr<CVarManagerWrapper> globalCvarManager;

// The module itself reaches the handle only through these two, under a lock:
// a host may load the plug-in again on one thread while an event of the one
// it released still logs on another.
std::shared_ptr<CVarManagerWrapper> LogConsole() noexcept;
void SetLogConsole(std::shared_ptr<CVarManagerWrapper> console) noexcept;

// Writes one console line. The message is a constant of the code; its one
// conversion ("%s" or "%zu") is replaced by the argument's text. The argument
// is never parsed as a format, so a file name holding "%n" is written as it is.
// Before onLoad (no console handle) the line is dropped. Never throws.
void LogFormatted(std::string_view message) noexcept;
void LogFormatted(std::string_view message, std::string_view argument) noexcept;
void LogFormatted(std::string_view message, std::size_t count) noexcept;

// The line LogFormatted writes: the first "%s" or "%zu" replaced by the argument.
std::string FormatLogLine(std::string_view message, std::string_view argument);
