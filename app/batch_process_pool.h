// Runs programs as child processes, a few at a time, and collects what each wrote on its
// standard error and how it ended.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace brivo::app {

struct ProcessOutcome {
    int exitStatus = -1;    // the exit status, or -1 when it did not exit by itself
    int signal = 0;         // the signal that ended it, or 0
    std::string errorText;  // the end of what it wrote on standard error
    double seconds = 0;     // from start to end
};

class ProcessPool {
  public:
    using CommandFor = std::function<std::vector<std::string>(size_t index)>;
    using Finished = std::function<void(size_t index, const ProcessOutcome& outcome)>;

    explicit ProcessPool(size_t slots) : slots_(slots < 1 ? 1 : slots) {}

    // Runs commandFor(i) (a program path and its arguments, asked for just before it starts)
    // for every i below count, at most `slots` at once, and calls `finished` on this thread as each
    // one ends. The children read nothing and get a process group of their own. A first SIGINT or
    // SIGTERM to this process starts no further command and lets the running ones finish their
    // file; a second one passes SIGINT on to them. Returns how many commands were never started.
    size_t run(size_t count, const CommandFor& commandFor, const Finished& finished);

    // Whether the last run was asked to stop.
    bool stopped() const { return stopped_; }

  private:
    size_t slots_;
    bool stopped_ = false;
};

}  // namespace brivo::app
