// What a caller can ask of reading and writing image files besides the path: limits,
// progress and cancellation, and the choices a writer makes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "host/files/planar_document.h"

namespace brivo::host {

// Thrown when the row monitor asked to stop; nothing was written.
class FileCancelled : public std::runtime_error {
  public:
    FileCancelled() : std::runtime_error("cancelled") {}
};

// Told of every row read or written; answers false to stop the work.
using RowMonitor = std::function<bool(int64_t done, int64_t total)>;

// Documents larger than this are refused before their pixels are read.
inline constexpr uint64_t kDefaultMaxMegapixels = 150;

struct ReadOptions {
    uint64_t maxPixels = kDefaultMaxMegapixels * 1000000;
    // Keep the pixels as stored rather than turning them as the file's orientation says.
    bool keepOrientation = false;
    RowMonitor rows;
    // Told of damage the decoder got past (corrupt JPEG data); the file is still read.
    std::function<void(const std::string& warning)> warn;
};

struct WriteOptions {
    // The format to write; by default the one the path's extension names.
    std::optional<ImageFormat> format;
    // JPEG quality 1..100; by default the document's own (its source's estimate).
    std::optional<int> jpegQuality;
    RowMonitor rows;
};

// Calls the monitor, throwing FileCancelled when it asks to stop.
inline void reportRows(const RowMonitor& monitor, int64_t done, int64_t total) {
    if (monitor && !monitor(done, total)) throw FileCancelled();
}

}  // namespace brivo::host
