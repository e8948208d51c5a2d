#include "cli/interrupt.h"

#include <csignal>
#include <unistd.h>

#include "cli/console_app.h"

namespace {

volatile std::sig_atomic_t interruptCount = 0;

extern "C" void OnInterrupt(int) {
    if (interruptCount > 0) {
        const char newline = '\n';
        (void)!::write(STDERR_FILENO, &newline, 1);
        ::_exit(kExitAborted);
    }
    interruptCount = 1;
}

} // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    // A log written to a pipe whose reader has gone is a failed write, not a dead program.
    std::signal(SIGPIPE, SIG_IGN);
}

bool Interrupted() {
    return interruptCount != 0;
}
