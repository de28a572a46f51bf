#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ios>
#include <system_error>

#include <poll.h>
#include <unistd.h>

#include "app/interrupt.h"

namespace sandbox {

namespace {

std::atomic<int> interrupted{0};

void Interrupt(int signal) {
    // A plug-in stuck in a call never lets the run reach its end: the second one does not wait.
    if (interrupted.exchange(signal) != 0) std::_Exit(128 + signal);
}

class InterruptibleInput final : public std::streambuf {
public:
    explicit InterruptibleInput(const std::atomic<int>& interrupt) : interrupt_(interrupt) {}

protected:
    int_type underflow() override {
        while (interrupt_.load() == 0) {
            pollfd input{STDIN_FILENO, POLLIN, 0};
            // Woken now and then to look at the flag: a signal does not always land on this thread.
            int ready = poll(&input, 1, 100);
            if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
            ssize_t got = ready < 0 ? -1 : read(STDIN_FILENO, buffer_, sizeof buffer_);
            if (got > 0) {
                setg(buffer_, buffer_, buffer_ + got);
                return traits_type::to_int_type(buffer_[0]);
            }
            if (got == 0) break;
            if (errno == EINTR) continue;
            throw std::ios_base::failure("read", std::error_code(errno, std::generic_category()));
        }
        return traits_type::eof();
    }

private:
    const std::atomic<int>& interrupt_;
    char buffer_[4096];
};

} // namespace

const std::atomic<int>& CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = Interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return interrupted;
}

std::string InterruptName(int interrupt) {
    if (interrupt == SIGINT) return "SIGINT (Ctrl-C)";
    if (interrupt == SIGTERM) return "SIGTERM";
    return "signal " + std::to_string(interrupt);
}

std::unique_ptr<std::streambuf> InterruptibleStandardInput(const std::atomic<int>& interrupt) {
    return std::make_unique<InterruptibleInput>(interrupt);
}

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

} // namespace sandbox
