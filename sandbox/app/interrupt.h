#pragma once

#include <atomic>
#include <memory>
#include <streambuf>
#include <string>

namespace sandbox {

// Catches SIGINT and SIGTERM (on Windows Ctrl-C and Ctrl-Break) so that a run
// ends the way closing the window ends it: the plug-in unloaded, the verdict
// told. What arrived is held in the flag; a second one ends the process at once.
const std::atomic<int>& CatchInterrupts();
// "SIGINT (Ctrl-C)", "Ctrl-Break", ...
std::string InterruptName(int interrupt);

// Standard input for a script, read so that an interrupt ends the wait for
// the next line: a blocked read would otherwise outlast it.
std::unique_ptr<std::streambuf> InterruptibleStandardInput(const std::atomic<int>& interrupt);
// Whether standard input is a person's terminal.
bool StandardInputIsTerminal();

} // namespace sandbox
