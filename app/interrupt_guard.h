// Turns Ctrl-C and SIGTERM into a request to stop rather than an abrupt exit.
#pragma once

#include <csignal>

namespace brivo::app {

// While alive, the first SIGINT or SIGTERM only sets a flag that the work in progress
// polls (the filter's abort poll, the file codecs' row monitor). A second one removes the
// temporary files still open and ends the program, in case nothing polls. Guards nest: an
// inner guard (one file of a batch) shares the outer one's state.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool interrupted();

  private:
    bool outermost_;
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

}  // namespace brivo::app
