// Pattern decoding from memory: any bytes, as PNG and as JPEG. A result is a one-channel
// image of an allowed size; every buffer lent for it goes back to the host.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "image/pattern_decoder.h"
#include "support/buffer_host.h"

namespace {

void checkPattern(const brivo::ImageHandle& pattern) {
    if (pattern.empty()) return;
    brivo::fuzz::require(pattern->planeCount() == 1, "a pattern has one channel");
    brivo::fuzz::require(brivo::isPatternSizeAllowed(static_cast<uint64_t>(pattern->width()),
                                                     static_cast<uint64_t>(pattern->height())),
                         "a pattern has an allowed size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    brivo::test::BufferHost host;
    checkPattern(brivo::decodePng(*host.document, data, size));
    checkPattern(brivo::decodeJpeg(*host.document, data, size));
    brivo::fuzz::require(host.buffers.liveBuffers() == 0, "a pattern buffer was left allocated");
    return 0;
}
