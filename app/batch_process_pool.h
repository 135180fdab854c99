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
    using Finished = std::function<void(size_t index, const ProcessOutcome& outcome)>;

    explicit ProcessPool(size_t slots) : slots_(slots < 1 ? 1 : slots) {}

    // Runs commands[i] (a program path and its arguments) for every i, at most `slots` at
    // once, and calls `finished` on this thread as each one ends. The children read nothing
    // and get a process group of their own; they are sent SIGINT when this process receives
    // SIGINT or SIGTERM (then no further command starts) and when it dies. Returns false when
    // such a signal stopped the run.
    bool run(const std::vector<std::vector<std::string>>& commands, const Finished& finished);

  private:
    size_t slots_;
};

}  // namespace brivo::app
