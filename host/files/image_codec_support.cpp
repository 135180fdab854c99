#include "host/files/image_codec_support.h"

#include "host/files/image_file.h"

#include <algorithm>
#include <cstdio>

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

PlanarDocument startDocument(const std::string& path, uint64_t width, uint64_t height,
                             int32_t imageMode, uint64_t maxPixels) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (!checkedPixelCount(width, height))
        fail(path, "image size " + size + " is outside the supported range (at most " +
                       std::to_string(kMaxImageDimension) + " pixels a side and " +
                       std::to_string(kMaxImagePixels) + " pixels in all)");
    if (width * height > maxPixels) {
        const auto megapixels = [](uint64_t pixels) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", static_cast<double>(pixels) / 1e6);
            return std::string(text);
        };
        fail(path, "the image is " + size + " (" + megapixels(width * height) +
                       " megapixels), above the limit of " + megapixels(maxPixels) +
                       " megapixels; raise it with --max-megapixels");
    }
    PlanarDocument document;
    document.width = static_cast<int32_t>(width);
    document.height = static_cast<int32_t>(height);
    document.imageMode = imageMode;
    document.planes.resize(static_cast<size_t>(planeCountForMode(imageMode)));
    return document;
}

size_t samplesPerPixel(const PlanarDocument& document, bool withAlpha) {
    return document.planes.size() + (withAlpha ? 1 : 0);
}

PlaneSamples& planeOfSample(PlanarDocument& document, size_t sample) {
    return sample < document.planes.size() ? document.planes[sample] : document.alpha;
}

void scatterRow(const uint8_t* pixels, PlanarDocument& document, size_t y, bool withAlpha,
                bool invertColour, size_t x, size_t count) {
    const size_t width = static_cast<size_t>(document.width);
    count = std::min(count, width - x);
    const size_t stride = samplesPerPixel(document, withAlpha);
    const uint8_t mask = colourMask(invertColour);
    for (size_t c = 0; c < stride; ++c) {
        uint8_t* plane = planeOfSample(document, c).data() + y * width + x;
        const uint8_t sampleMask = c < document.planes.size() ? mask : 0;
        for (size_t i = 0; i < count; ++i) plane[i] = pixels[i * stride + c] ^ sampleMask;
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
