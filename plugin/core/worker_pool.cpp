#include "core/worker_pool.h"

#include <sched.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace brivo {

namespace {

constexpr int32_t kMostThreads = 64;

thread_local WorkerPool* activePool = nullptr;

// How long a thread watches for its next step before it sleeps. The stages of a strip follow
// each other within microseconds, and a sleeping thread takes tens of them to wake; between
// strips, while the host copies pixels, the watch runs out and the thread sleeps.
constexpr auto kWatchBeforeSleeping = std::chrono::microseconds(50);

// Returns once ready() holds or the watch has run out.
template <typename Ready>
void watchBriefly(const Ready& ready) {
    const auto until = std::chrono::steady_clock::now() + kWatchBeforeSleeping;
    while (!ready()) {
        for (int i = 0; i < 16 && !ready(); ++i) {
#if defined(__x86_64__) || defined(__i386__)
            _mm_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= until) return;
    }
}

int32_t coresAvailable() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(CPU_COUNT(&set), 1);
    return std::max(static_cast<int32_t>(std::thread::hardware_concurrency()), 1);
}

}  // namespace

WorkerPool::WorkerPool(int32_t threads) {
    const int32_t wanted = std::clamp(threads, 1, kMostThreads) - 1;
    workers_.reserve(static_cast<size_t>(wanted));
    for (int32_t index = 0; index < wanted; ++index) {
        try {
            workers_.emplace_back(&WorkerPool::workerLoop, this, index + 1);
        } catch (const std::system_error&) {
            break;  // run with the threads that did start
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void WorkerPool::runBand(int32_t index) {
    const int32_t begin = edges_[static_cast<size_t>(index)];
    const int32_t end = edges_[static_cast<size_t>(index) + 1];
    if (begin >= end) return;
    try {
        (*work_)(index, begin, end);
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
    }
}

void WorkerPool::workerLoop(int32_t index) {
    uint64_t seen = 0;
    for (;;) {
        watchBriefly([&] { return generation_.load(std::memory_order_relaxed) != seen; });
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        runBand(index);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --pending_;
        }
        done_.notify_one();
    }
}

void WorkerPool::forEachBand(int32_t count, int32_t grain, const BandWork& work) {
    if (count <= 0) return;
    const int32_t bands = threadCount();
    const int64_t unit = std::max(grain, 1);
    edges_.assign(static_cast<size_t>(bands) + 1, count);
    edges_[0] = 0;
    for (int32_t band = 1; band < bands; ++band) {
        const int64_t even = int64_t{count} * band / bands;
        edges_[static_cast<size_t>(band)] =
            static_cast<int32_t>(std::min<int64_t>(even / unit * unit, count));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = &work;
        failure_ = nullptr;
        pending_ = bands - 1;
        ++generation_;
    }
    wake_.notify_all();
    runBand(0);
    watchBriefly([&] { return pending_.load(std::memory_order_relaxed) == 0; });
    std::exception_ptr failure;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return pending_ == 0; });
        work_ = nullptr;
        failure = failure_;
        failure_ = nullptr;
    }
    if (failure) std::rethrow_exception(failure);
}

int32_t configuredThreadCount() {
    const char* value = std::getenv("BRIVO_THREADS");
    if (value != nullptr && *value != '\0') {
        char* end = nullptr;
        const long count = std::strtol(value, &end, 10);
        if (*end == '\0' && count >= 1 && count <= kMostThreads) return static_cast<int32_t>(count);
    }
    return std::min(coresAvailable(), kMostThreads);
}

ActiveWorkers::ActiveWorkers(WorkerPool& pool) : previous_(activePool) {
    activePool = &pool;
}

ActiveWorkers::~ActiveWorkers() {
    activePool = previous_;
}

int32_t bandCount(int32_t count, int32_t minimum) {
    const WorkerPool* pool = activePool;
    if (pool == nullptr || int64_t{count} < 2 * int64_t{std::max(minimum, 1)}) return 1;
    return pool->threadCount();
}

void forEachBand(int32_t count, int32_t grain, int32_t minimum, const BandWork& work) {
    if (count <= 0) return;
    WorkerPool* pool = activePool;
    if (bandCount(count, minimum) < 2) {
        work(0, 0, count);
        return;
    }
    // Bands run by this thread must not split again into the pool that is running them.
    struct Suspend {
        WorkerPool* pool;
        ~Suspend() { activePool = pool; }
    } suspend{pool};
    activePool = nullptr;
    pool->forEachBand(count, grain, work);
}

}  // namespace brivo
