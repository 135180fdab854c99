// The module's descriptor reader through PluginMain: a replayed descriptor of arbitrary keys,
// types and values (the module's own keys half the time), then a whole run on a small
// document. Every call gives back what it took, and what finish records replays to the same
// record.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "fuzz_support.h"

namespace {

using brivo::host::DescriptorValues;
using brivo::host::EnumeratedValue;

constexpr size_t kMostItems = 64;
constexpr size_t kLongestText = 600;  // twice what a path field holds

// An enumerated value: any type and code, or a field's own type with one of its codes or a
// code it does not know.
EnumeratedValue fuzzedEnumerated(FuzzedDataProvider& input) {
    const auto& entries = brivo::fuzz::moduleCatalog().entries();
    const brivo::host::CatalogEntry& entry =
        entries[input.ConsumeIntegralInRange<size_t>(0, entries.size() - 1)];
    if (input.ConsumeBool() || entry.enumerators.empty())
        return {input.ConsumeIntegral<uint32_t>(), input.ConsumeIntegral<uint32_t>()};
    const auto index = input.ConsumeIntegralInRange<size_t>(0, entry.enumerators.size());
    const uint32_t code = index < entry.enumerators.size() ? entry.enumerators[index].code
                                                           : input.ConsumeIntegral<uint32_t>();
    return {entry.enumerationType, code};
}

DescriptorValues fuzzedDescriptor(FuzzedDataProvider& input) {
    DescriptorValues values;
    while (input.remaining_bytes() > 0 && values.items().size() < kMostItems) {
        const auto& entries = brivo::fuzz::moduleCatalog().entries();
        const uint32_t key =
            input.ConsumeBool()
                ? entries[input.ConsumeIntegralInRange<size_t>(0, entries.size() - 1)].key
                : input.ConsumeIntegral<uint32_t>();
        switch (input.ConsumeIntegralInRange(0, 4)) {
            case 0:
                values.put(key, input.ConsumeIntegral<int32_t>());
                break;
            case 1:
                values.put(key, brivo::fuzz::fuzzedReal(input));
                break;
            case 2:
                values.put(key, fuzzedEnumerated(input));
                break;
            case 3:
                values.put(key, input.ConsumeBool());
                break;
            default:
                values.put(key, input.ConsumeRandomLengthString(kLongestText));
                break;
        }
    }
    return values;
}

// Parameters, prepare, start and finish, each checked; what finish recorded, if anything.
std::optional<DescriptorValues> runOnce(const DescriptorValues& values) {
    brivo::test::ModuleSession session =
        brivo::fuzz::openSession(brivo::test::makeDocument(plugInModeRGBColor, 5, 3));
    session.services->descriptors().replay(values, plugInDialogSilent);
    for (const int16_t selector : {filterSelectorParameters, filterSelectorPrepare,
                                   filterSelectorStart, filterSelectorFinish}) {
        const int16_t result = session->call(selector);
        brivo::fuzz::requireBalanced(*session);
        if (result != 0) return std::nullopt;
    }
    return session.services->descriptors().recorded();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::optional<DescriptorValues> recorded = runOnce(fuzzedDescriptor(input));
    if (!recorded) return 0;
    const std::optional<DescriptorValues> again = runOnce(*recorded);
    brivo::fuzz::require(again.has_value(), "a recorded descriptor replays");
    brivo::fuzz::require(again->encode() == recorded->encode(),
                         "a recorded descriptor replays to the same record");
    return 0;
}
