// Turns Ctrl-C into a request to stop the filter rather than an abrupt exit.
#pragma once

#include <csignal>

namespace brivo::app {

// While alive, the first SIGINT only sets a flag that the filter's abort poll reads; a
// second one ends the program as usual, in case the filter never polls.
class InterruptGuard {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool interrupted();

  private:
    struct sigaction previous_;
};

}  // namespace brivo::app
