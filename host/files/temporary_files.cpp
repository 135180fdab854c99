#include "host/files/temporary_files.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace brivo::host {
namespace {

// A fixed table, so that the signal handler never sees memory being allocated or freed. A
// slot's path is written before its flag is set and the flag cleared before it is reused.
constexpr int kSlots = 64;

struct Slot {
    std::atomic<bool> used{false};
    char path[PATH_MAX] = {};
};

Slot slots[kSlots];
std::mutex tableLock;  // between threads; the signal handler never takes it

}  // namespace

bool noteTemporaryFile(const std::string& path) {
    if (path.size() >= PATH_MAX) return false;
    const std::lock_guard lock(tableLock);
    for (Slot& slot : slots) {
        if (slot.used.load()) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.used.store(true);
        return true;
    }
    return false;
}

void forgetTemporaryFile(const std::string& path) {
    const std::lock_guard lock(tableLock);
    for (Slot& slot : slots)
        if (slot.used.load() && path == slot.path) {
            slot.used.store(false);
            return;
        }
}

void removeTemporaryFilesNow() noexcept {
    for (Slot& slot : slots)
        if (slot.used.load()) ::unlink(slot.path);
}

}  // namespace brivo::host
