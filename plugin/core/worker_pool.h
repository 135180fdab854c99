// A few threads that share row-independent pixel work for the length of one filtering call.
// Only the thread that owns the pool talks to the host; the workers run pixel loops over
// memory that thread has already read, and every band is computed exactly as it would be
// in one piece, so the bytes never depend on the thread count.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace brivo {

// Work over the half-open range [begin, end) of some count (rows, columns, lines); band is
// the band's index, below the number of bands the split uses.
using BandWork = std::function<void(int32_t band, int32_t begin, int32_t end)>;

// The fewest rows worth handing to a thread of their own in the row-by-row pixel loops.
inline constexpr int32_t kRowsPerBand = 16;

class WorkerPool {
  public:
    // Starts threads - 1 workers (the calling thread is the last one); fewer when the
    // system refuses to start more.
    explicit WorkerPool(int32_t threads);
    // Stops and joins every worker.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int32_t threadCount() const { return static_cast<int32_t>(workers_.size()) + 1; }

    // Splits [0, count) into threadCount() contiguous bands whose inner edges are multiples
    // of grain, runs work on each (the first on the calling thread) and returns when all
    // are done. The first exception a band throws is rethrown here once all have finished.
    void forEachBand(int32_t count, int32_t grain, const BandWork& work);

  private:
    void workerLoop(int32_t index);
    // Band `index` of the current job.
    void runBand(int32_t index);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const BandWork* work_ = nullptr;
    std::vector<int32_t> edges_;  // band i is [edges_[i], edges_[i + 1])
    // Changed under mutex_; atomic so that a thread may watch them for a moment before it
    // sleeps (the next band usually comes within microseconds).
    std::atomic<uint64_t> generation_{0};
    std::atomic<int32_t> pending_{0};
    bool stopping_ = false;
    std::exception_ptr failure_;
};

// The number of threads a filtering call uses: BRIVO_THREADS when it is a whole number from
// 1 to 64, else the cores this process may run on (at least 1, at most 64).
int32_t configuredThreadCount();

// Makes pool the one this thread's forEachBand calls use while the guard lives; nested
// guards restore the previous pool.
class ActiveWorkers {
  public:
    explicit ActiveWorkers(WorkerPool& pool);
    ~ActiveWorkers();
    ActiveWorkers(const ActiveWorkers&) = delete;
    ActiveWorkers& operator=(const ActiveWorkers&) = delete;

  private:
    WorkerPool* previous_;
};

// How many bands forEachBand(count, grain, minimum, ...) uses on this thread: 1 when there is
// no active pool, when called from a band, or when count is below two bands of minimum.
int32_t bandCount(int32_t count, int32_t minimum);

// Runs work over [0, count) split into bandCount(count, minimum) bands on the calling thread's
// active pool (inner band edges are multiples of grain), or in one piece as band 0.
void forEachBand(int32_t count, int32_t grain, int32_t minimum, const BandWork& work);

}  // namespace brivo
