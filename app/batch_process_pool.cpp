#include "app/batch_process_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

namespace brivo::app {

namespace {

using Clock = std::chrono::steady_clock;

// Keeps the last part of a child's messages: enough for the final error, bounded whatever
// the child writes.
constexpr size_t kKeptErrorText = 16 * 1024;

volatile std::sig_atomic_t stopsSeen = 0;

extern "C" void noteStop(int) {
    if (stopsSeen < 2) stopsSeen = stopsSeen + 1;
}

// SIGINT and SIGTERM are only counted while a run lasts; the run then winds down in order.
class StopSignals {
  public:
    StopSignals() {
        stopsSeen = 0;
        struct sigaction action {};
        action.sa_handler = &noteStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInterrupt_);
        sigaction(SIGTERM, &action, &previousTerminate_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &previousInterrupt_, nullptr);
        sigaction(SIGTERM, &previousTerminate_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static int count() { return stopsSeen; }

  private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

struct Child {
    size_t index = 0;
    pid_t pid = -1;
    int errorPipe = -1;
    Clock::time_point started;
    std::string errorText;
};

// What runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void becomeCommand(char* const* argv, int errorPipe, int devNull, pid_t parent) {
    // A terminal's Ctrl-C reaches the parent alone, which decides what the children get.
    // Should the parent die, a child still finishes its one file and writes it whole.
    setpgid(0, 0);
    if (getppid() != parent) _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(errorPipe, STDERR_FILENO);
    execv(argv[0], argv);
    const char message[] = "brivo: cannot start the worker program\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    _exit(127);
}

ProcessOutcome failedStart(const std::string& reason) {
    ProcessOutcome outcome;
    outcome.errorText = "brivo: cannot start a worker process: " + reason + '\n';
    return outcome;
}

}  // namespace

size_t ProcessPool::run(size_t count, const CommandFor& commandFor, const Finished& finished) {
    const StopSignals stop;
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t self = getpid();
    std::vector<Child> running;
    bool forwarded = false;

    const auto launch = [&](size_t index) {
        const std::vector<std::string> command = commandFor(index);
        std::vector<char*> argv;
        for (const std::string& argument : command)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        int pipeEnds[2];
        if (devNull < 0 || pipe2(pipeEnds, O_CLOEXEC) != 0)
            return finished(index, failedStart(std::strerror(errno)));
        const Clock::time_point started = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) becomeCommand(argv.data(), pipeEnds[1], devNull, self);
        close(pipeEnds[1]);
        if (pid < 0) {
            close(pipeEnds[0]);
            return finished(index, failedStart(std::strerror(errno)));
        }
        running.push_back({index, pid, pipeEnds[0], started, {}});
    };

    const auto reap = [&](Child& child) {
        close(child.errorPipe);
        int status = 0;
        while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
        ProcessOutcome outcome;
        if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
        outcome.errorText = std::move(child.errorText);
        outcome.seconds = std::chrono::duration<double>(Clock::now() - child.started).count();
        finished(child.index, outcome);
    };

    size_t next = 0;
    while (true) {
        if (StopSignals::count() >= 2 && !forwarded) {
            for (const Child& child : running) kill(child.pid, SIGINT);
            forwarded = true;
        }
        while (StopSignals::count() == 0 && running.size() < slots_ && next < count) launch(next++);
        if (running.empty()) break;

        std::vector<pollfd> watched;
        for (const Child& child : running) watched.push_back({child.errorPipe, POLLIN, 0});
        if (poll(watched.data(), watched.size(), 250) < 0) continue;  // a signal: look again
        for (size_t i = watched.size(); i-- > 0;) {
            if (watched[i].revents == 0) continue;
            Child& child = running[i];
            char buffer[4096];
            const ssize_t got = read(child.errorPipe, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) {
                child.errorText.append(buffer, static_cast<size_t>(got));
                if (child.errorText.size() > 2 * kKeptErrorText)
                    child.errorText.erase(0, child.errorText.size() - kKeptErrorText);
                continue;
            }
            reap(child);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    if (devNull >= 0) close(devNull);
    stopped_ = StopSignals::count() > 0;
    return count - next;
}

}  // namespace brivo::app
