// The whole render on small documents (Gray, RGB and CMYK, some taller than one strip, with
// and without a pattern, a selection, transparency) with arbitrary parameter values. The
// vector and the reference path must give the same bytes, and every call gives back what it
// took.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

using brivo::host::DescriptorValues;
using brivo::host::PlanarDocument;

struct Scene {
    PlanarDocument document;
    std::optional<VRect> selection;
    DescriptorValues values;
};

constexpr const char* kPatterns[] = {"spot.png", "window_panes.png", "soft_spot.jpg",
                                     "venetian_blinds.png"};

void putField(FuzzedDataProvider& input, const brivo::host::CatalogEntry& entry,
              DescriptorValues& values) {
    switch (entry.type) {
        case brivo::host::CatalogType::enumerated: {
            if (entry.enumerators.empty()) break;
            const auto index =
                input.ConsumeIntegralInRange<size_t>(0, entry.enumerators.size() - 1);
            values.put(entry.key, brivo::host::EnumeratedValue{entry.enumerationType,
                                                               entry.enumerators[index].code});
            break;
        }
        case brivo::host::CatalogType::real:
            values.put(entry.key, brivo::fuzz::fuzzedReal(input));
            break;
        case brivo::host::CatalogType::xyz:
            values.put(entry.key, input.ConsumeIntegral<int32_t>());
            break;
        case brivo::host::CatalogType::path:
            values.put(entry.key, brivo::fuzz::patternPath(input.PickValueInArray(kPatterns)));
            break;
        case brivo::host::CatalogType::ignored:
            values.put(entry.key, input.ConsumeBool());
            break;
    }
}

Scene fuzzedScene(FuzzedDataProvider& input) {
    const int32_t mode =
        input.PickValueInArray({plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor});
    const int32_t width = input.ConsumeIntegralInRange(1, 40);
    // Now and then taller than one strip of rows, so the strips meet.
    const int32_t height = input.ConsumeIntegralInRange(0, 7) == 0
                               ? input.ConsumeIntegralInRange(250, 300)
                               : input.ConsumeIntegralInRange(1, 40);
    const bool withAlpha = input.ConsumeBool();
    Scene scene{brivo::test::makeDocument(mode, width, height, brivo::test::Fill::noise, withAlpha,
                                          input.ConsumeIntegral<uint32_t>()),
                std::nullopt, DescriptorValues()};
    if (input.ConsumeBool()) {
        const int32_t top = input.ConsumeIntegralInRange(0, height - 1);
        const int32_t left = input.ConsumeIntegralInRange(0, width - 1);
        scene.selection = VRect{top, left, input.ConsumeIntegralInRange(top + 1, height),
                                input.ConsumeIntegralInRange(left + 1, width)};
    }
    for (const brivo::host::CatalogEntry& entry : brivo::fuzz::moduleCatalog().entries())
        if (input.ConsumeBool()) putField(input, entry, scene.values);
    return scene;
}

// The planes after a start on the chosen path; nothing when the start failed.
std::optional<std::vector<brivo::host::PlaneSamples>> render(const Scene& scene, bool reference) {
    setenv("BRIVO_NO_SIMD", reference ? "1" : "0", 1);
    brivo::test::ModuleSession session = brivo::fuzz::openSession(scene.document);
    if (scene.selection) session->setFilterRect(*scene.selection);
    session.services->descriptors().replay(scene.values, plugInDialogSilent);
    for (const int16_t selector :
         {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart}) {
        const int16_t result = session->call(selector);
        brivo::fuzz::requireBalanced(*session);
        if (result != 0) return std::nullopt;
    }
    const PlanarDocument& lit = session->document();
    brivo::fuzz::require(lit.width == scene.document.width && lit.height == scene.document.height,
                         "the render keeps the document's size");
    brivo::fuzz::require(lit.alpha == scene.document.alpha, "the render leaves transparency alone");
    return lit.planes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const Scene scene = fuzzedScene(input);
    const auto vector = render(scene, false);
    const auto reference = render(scene, true);
    brivo::fuzz::require(vector.has_value() == reference.has_value(),
                         "both paths succeed or fail alike");
    brivo::fuzz::require(vector == reference, "both paths give the same bytes");
    return 0;
}
