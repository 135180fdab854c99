#include "app/interrupt_guard.h"

namespace brivo::app {

namespace {

volatile std::sig_atomic_t interruptSeen = 0;

extern "C" void noteInterrupt(int) {
    interruptSeen = 1;
}

}  // namespace

InterruptGuard::InterruptGuard() {
    interruptSeen = 0;
    struct sigaction action {};
    action.sa_handler = &noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // the next Ctrl-C takes the default way out
    sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previous_, nullptr);
}

bool InterruptGuard::interrupted() {
    return interruptSeen != 0;
}

}  // namespace brivo::app
