#include "support/host_fixture.h"

#include <random>

namespace brivo::test {

host::PlanarDocument makeDocument(int32_t imageMode, int32_t width, int32_t height, Fill fill,
                                  bool withAlpha, uint32_t seed) {
    host::PlanarDocument document = host::makePlanarDocument(width, height, imageMode, withAlpha);
    std::mt19937 random(seed);
    for (size_t p = 0; p < document.planes.size(); ++p) {
        auto& plane = document.planes[p];
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                plane[static_cast<size_t>(y) * static_cast<size_t>(width) +
                      static_cast<size_t>(x)] =
                    fill == Fill::noise
                        ? static_cast<uint8_t>(random())
                        : static_cast<uint8_t>(x * 7 + y * 13 + static_cast<int>(p) * 50);
    }
    for (size_t i = 0; i < document.alpha.size(); ++i)
        document.alpha[i] = static_cast<uint8_t>(i * 3);
    return document;
}

ModuleSession makeHost(host::PlanarDocument document, host::ModuleLoader::Copy copy) {
    ModuleSession session;
    session.host = std::make_unique<host::FilterHost>(
        std::make_unique<host::ModuleLoader>(BRIVO_MODULE_PATH, copy), std::move(document));
    session.services = std::make_unique<host::HostServices>(*session.host);
    return session;
}

}  // namespace brivo::test
