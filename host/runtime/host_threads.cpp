#include "host/runtime/host_threads.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

namespace brivo::host {

int hostThreadCount() {
    const char* value = std::getenv("BRIVO_THREADS");
    if (value != nullptr && *value != '\0') {
        char* end = nullptr;
        const long count = std::strtol(value, &end, 10);
        if (*end == '\0' && count >= 1 && count <= 64) return static_cast<int>(count);
    }
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 64);
}

void runInParts(int64_t count, int threads, int64_t minPart,
                const std::function<void(int64_t begin, int64_t end)>& work) {
    if (count <= 0) return;
    const int64_t parts =
        std::clamp<int64_t>(count / std::max<int64_t>(minPart, 1), 1, std::max(threads, 1));
    const auto edge = [&](int64_t part) { return count * part / parts; };
    // The helpers are joined as the vector goes, before this returns.
    std::vector<std::jthread> helpers;
    for (int64_t part = 1; part < parts; ++part) {
        const int64_t begin = edge(part);
        const int64_t end = edge(part + 1);
        try {
            helpers.emplace_back([&work, begin, end] { work(begin, end); });
        } catch (const std::exception&) {  // no thread or no memory for one: do it here
            work(begin, end);
        }
    }
    work(0, edge(1));
}

}  // namespace brivo::host
