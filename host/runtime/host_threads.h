// The threads the host uses for its own work: copying pixels through the channel ports and
// encoding files.
#pragma once

#include <cstdint>
#include <functional>

namespace brivo::host {

// BRIVO_THREADS when it is a whole number from 1 to 64, else the processors available (at
// least 1, at most 64). The module reads the same variable, so one setting governs both.
int hostThreadCount();

// Runs work(begin, end) over contiguous parts of [0, count), at most `threads` of them and
// none shorter than minPart (the last may be), the first on the calling thread, and returns
// when every part is done. A part whose thread cannot be started runs on the calling thread.
// work must not throw.
void runInParts(int64_t count, int threads, int64_t minPart,
                const std::function<void(int64_t begin, int64_t end)>& work);

}  // namespace brivo::host
