#include "app/interrupt_guard.h"

#include <unistd.h>

#include "host/files/temporary_files.h"

namespace brivo::app {

namespace {

volatile std::sig_atomic_t interruptSeen = 0;
int liveGuards = 0;

extern "C" void noteInterrupt(int signal) {
    if (interruptSeen == 0) {
        interruptSeen = 1;
        return;
    }
    // Asked twice: nothing polled in time. Leave no temporary file behind, then go.
    host::removeTemporaryFilesNow();
    ::_exit(128 + signal);
}

}  // namespace

InterruptGuard::InterruptGuard() : outermost_(liveGuards++ == 0) {
    if (!outermost_) return;
    interruptSeen = 0;
    struct sigaction action {};
    action.sa_handler = &noteInterrupt;
    sigemptyset(&action.sa_mask);
    // Reads and writes carry on after the first signal; the work stops at its next poll.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInterrupt_);
    sigaction(SIGTERM, &action, &previousTerminate_);
}

InterruptGuard::~InterruptGuard() {
    --liveGuards;
    if (!outermost_) return;
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerminate_, nullptr);
}

bool InterruptGuard::interrupted() {
    return interruptSeen != 0;
}

}  // namespace brivo::app
