#include <cstdlib>
#include <ios>
#include <system_error>

#include <windows.h>

#include "app/interrupt.h"

namespace sandbox {

namespace {

// Held as the control event's number plus one, so that Ctrl-C (0) reads as set.
std::atomic<int> interrupted{0};

BOOL WINAPI Interrupt(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    // A plug-in stuck in a call never lets the run reach its end: the second one does not wait.
    if (interrupted.exchange(static_cast<int>(event) + 1) != 0) ExitProcess(130);
    return TRUE;
}

class InterruptibleInput final : public std::streambuf {
public:
    explicit InterruptibleInput(const std::atomic<int>& interrupt)
        : interrupt_(interrupt), input_(GetStdHandle(STD_INPUT_HANDLE)) {}

protected:
    int_type underflow() override {
        // A pipe is looked into before each read, which would otherwise block past an interrupt; a
        // console read returns by itself when Ctrl-C arrives.
        const bool pipe = GetFileType(input_) == FILE_TYPE_PIPE;
        while (interrupt_.load() == 0) {
            DWORD waiting = 0;
            if (pipe && PeekNamedPipe(input_, nullptr, 0, nullptr, &waiting, nullptr) && waiting == 0) {
                Sleep(50);
                continue;
            }
            DWORD got = 0;
            const bool read = ReadFile(input_, buffer_, sizeof buffer_, &got, nullptr);
            if (read && got > 0) {
                setg(buffer_, buffer_, buffer_ + got);
                return traits_type::to_int_type(buffer_[0]);
            }
            const DWORD error = read ? ERROR_HANDLE_EOF : GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) break;
            if (error == ERROR_OPERATION_ABORTED) continue;
            throw std::ios_base::failure("read", std::error_code(static_cast<int>(error), std::system_category()));
        }
        return traits_type::eof();
    }

private:
    const std::atomic<int>& interrupt_;
    HANDLE input_;
    char buffer_[4096];
};

} // namespace

const std::atomic<int>& CatchInterrupts() {
    SetConsoleCtrlHandler(Interrupt, TRUE);
    return interrupted;
}

std::string InterruptName(int interrupt) {
    if (interrupt == CTRL_C_EVENT + 1) return "Ctrl-C";
    if (interrupt == CTRL_BREAK_EVENT + 1) return "Ctrl-Break";
    return "control event " + std::to_string(interrupt - 1);
}

std::unique_ptr<std::streambuf> InterruptibleStandardInput(const std::atomic<int>& interrupt) {
    return std::make_unique<InterruptibleInput>(interrupt);
}

bool StandardInputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

} // namespace sandbox
