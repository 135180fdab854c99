#include "host/runtime/host_threads.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace brivo::host {
namespace {

using Parts = std::vector<std::pair<int64_t, int64_t>>;

Parts partsOf(int64_t count, int threads, int64_t minPart) {
    std::mutex mutex;
    Parts parts;
    runInParts(count, threads, minPart, [&](int64_t begin, int64_t end) {
        std::lock_guard lock(mutex);
        parts.emplace_back(begin, end);
    });
    std::sort(parts.begin(), parts.end());
    return parts;
}

TEST(RunInParts, CoversTheRangeOnceInAtMostThreadsPartsOfAtLeastMinPart) {
    EXPECT_EQ(partsOf(10, 4, 1), (Parts{{0, 2}, {2, 5}, {5, 7}, {7, 10}}));
    EXPECT_EQ(partsOf(10, 4, 4), (Parts{{0, 5}, {5, 10}}));
    EXPECT_EQ(partsOf(10, 4, 100), (Parts{{0, 10}}));  // too little to share
    EXPECT_EQ(partsOf(7, 1, 1), (Parts{{0, 7}}));
    EXPECT_EQ(partsOf(3, 64, 1), (Parts{{0, 1}, {1, 2}, {2, 3}}));
    EXPECT_TRUE(partsOf(0, 4, 1).empty());
    EXPECT_TRUE(partsOf(-5, 4, 1).empty());
    // Nonsense settings still cover the range.
    EXPECT_EQ(partsOf(5, 0, 0), (Parts{{0, 5}}));
}

TEST(RunInParts, TheFirstPartRunsOnTheCallingThread) {
    std::thread::id first;
    runInParts(8, 2, 1, [&](int64_t begin, int64_t) {
        if (begin == 0) first = std::this_thread::get_id();
    });
    EXPECT_EQ(first, std::this_thread::get_id());
}

TEST(HostThreadCount, FollowsBrivoThreadsWhenItIsAWholeNumberFrom1To64) {
    const auto countWith = [](const char* value) {
        setenv("BRIVO_THREADS", value, 1);
        const int count = hostThreadCount();
        unsetenv("BRIVO_THREADS");
        return count;
    };
    unsetenv("BRIVO_THREADS");
    const int processors = hostThreadCount();
    EXPECT_EQ(countWith("3"), 3);
    EXPECT_EQ(countWith("64"), 64);
    EXPECT_GE(processors, 1);
    for (const char* ignored : {"0", "65", "-2", "2x", "", "99999999999999999999"})
        EXPECT_EQ(countWith(ignored), processors) << ignored;
}

}  // namespace
}  // namespace brivo::host
