// The host's image files: any bytes read as a PNG, JPEG or TIFF document, its planes checked
// against its size and mode, and its embedded profile put to use as the colour service
// would for a run. Only a refusal with ImageFileError is an acceptable failure.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "host/color/color_service.h"
#include "host/files/image_file.h"

namespace {

using brivo::fuzz::require;

void checkDocument(const brivo::host::PlanarDocument& document) {
    require(document.width > 0 && document.height > 0, "a document has pixels");
    require(static_cast<size_t>(brivo::host::planeCountForMode(document.imageMode)) ==
                document.planes.size(),
            "planes match the mode");
    for (const auto& plane : document.planes)
        require(plane.size() == document.pixelCount(), "a plane holds every pixel");
    require(document.alpha.empty() || document.alpha.size() == document.pixelCount(),
            "transparency holds every pixel");
    // The light colour of a run goes through the document's profile, whatever it holds.
    const brivo::host::ColorService colors(document.imageMode, document.iccProfile);
    const brivo::host::Xyz16 white{32768, 32768, 32768};
    const int16_t space = document.imageMode == plugInModeGrayScale   ? 4
                          : document.imageMode == plugInModeCMYKColor ? 2
                                                                      : 0;
    colors.toXyz(space, colors.fromXyz(space, white).components);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const brivo::fuzz::MemoryFile file(data, size);
    try {
        // A small size limit, as a user would set for a bounded job: claimed sizes beyond it
        // are refused up front, and everything below it is decoded for real.
        brivo::host::ReadOptions options;
        options.maxPixels = 4'000'000;
        checkDocument(brivo::host::readImageFile(file.path(), options));
    } catch (const brivo::host::ImageFileError&) {
        // A refused file, with a message naming it.
    }
    return 0;
}
