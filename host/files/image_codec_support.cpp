#include "host/files/image_codec_support.h"

#include "host/files/image_file.h"

namespace brivo::host::image_codec {
namespace {

const std::string kSupportedKinds = "the filter works on 8-bit Grayscale, RGB and CMYK";

// XOR with 0xFF is 255 - v: turns ink amounts into the document's 255 = no ink and back.
uint8_t colourMask(bool invert) {
    return invert ? 0xFF : 0x00;
}

}  // namespace

void fail(const std::string& path, const std::string& what) {
    throw ImageFileError(path + ": " + what);
}

void failUnsupported(const std::string& path, const std::string& kind) {
    fail(path, kind + " are not supported; " + kSupportedKinds);
}

std::string bitDepthKind(unsigned bits) {
    return std::to_string(bits) + "-bit images";
}

namespace {

void requireSupportedSize(const std::string& path, uint64_t width, uint64_t height) {
    if (!checkedPixelCount(width, height))
        fail(path, "image size " + std::to_string(width) + " x " + std::to_string(height) +
                       " is outside the supported range (at most " +
                       std::to_string(kMaxImageDimension) + " pixels a side and " +
                       std::to_string(kMaxImagePixels) + " pixels in all)");
}

}  // namespace

std::unique_ptr<uint8_t[]> allocateSamples(const std::string& path, uint64_t width, uint64_t height,
                                           size_t samplesPerPixel) {
    requireSupportedSize(path, width, height);
    return std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(width * height) *
                                                     samplesPerPixel);
}

PlanarDocument allocateDocument(const std::string& path, uint64_t width, uint64_t height,
                                int32_t imageMode, bool withAlpha) {
    requireSupportedSize(path, width, height);
    return makePlanarDocument(static_cast<int32_t>(width), static_cast<int32_t>(height), imageMode,
                              withAlpha);
}

size_t samplesPerPixel(const PlanarDocument& document, bool withAlpha) {
    return document.planes.size() + (withAlpha ? 1 : 0);
}

void scatterPixels(const uint8_t* pixels, PlanarDocument& document, bool invertColour) {
    const size_t stride = samplesPerPixel(document, document.hasAlpha());
    const size_t count = document.pixelCount();
    const uint8_t mask = colourMask(invertColour);
    for (size_t c = 0; c < document.planes.size(); ++c) {
        uint8_t* plane = document.planes[c].data();
        for (size_t i = 0; i < count; ++i) plane[i] = pixels[i * stride + c] ^ mask;
    }
    if (document.hasAlpha()) {
        const size_t offset = document.planes.size();
        for (size_t i = 0; i < count; ++i) document.alpha[i] = pixels[i * stride + offset];
    }
}

void gatherRow(const PlanarDocument& document, size_t y, bool withAlpha, bool invertColour,
               uint8_t* row) {
    const size_t width = static_cast<size_t>(document.width);
    const size_t stride = samplesPerPixel(document, withAlpha);
    const size_t start = y * width;
    const uint8_t mask = colourMask(invertColour);
    for (size_t c = 0; c < document.planes.size(); ++c) {
        const uint8_t* plane = document.planes[c].data() + start;
        for (size_t x = 0; x < width; ++x) row[x * stride + c] = plane[x] ^ mask;
    }
    if (withAlpha) {
        const uint8_t* alpha = document.alpha.data() + start;
        const size_t offset = document.planes.size();
        for (size_t x = 0; x < width; ++x) row[x * stride + offset] = alpha[x];
    }
}

}  // namespace brivo::host::image_codec
