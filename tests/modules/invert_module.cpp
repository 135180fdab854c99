// A second, tiny filter module for the tests: it inverts the filter area's colour channels,
// blended with the original by one parameter, "amount" (percent). It carries its own
// property list, terminology and parameter catalog, so the host can run it knowing nothing
// about it beyond the contract.
#include <cstdint>
#include <vector>

#include "pluginapi.h"
#include "resource_builder.h"

namespace {

using brivo::resources::ByteSink;
using brivo::resources::makeResourceRecord;

constexpr uint32_t kCode = BRIVO_FOURCC('i', 'n', 'v', 'T');
constexpr DescriptorKeyID kKeyAmount = BRIVO_FOURCC('a', 'm', 'n', 't');
constexpr double kDefaultAmount = 100.0;

constexpr void writePropertyList(ByteSink& out) {
    const auto property = [&out](uint32_t key, auto writeDatum) {
        ByteSink counter;
        writeDatum(counter);
        out.code(BRIVO_FOURCC('8', 'B', 'I', 'M'));
        out.code(key);
        out.int32(0);
        out.int32(static_cast<uint32_t>(counter.size()));
        writeDatum(out);
        for (size_t length = counter.size(); length % 4 != 0; ++length) out.byte(0);
    };
    out.int16(1);
    out.int32(0);
    out.int32(5);
    property(BRIVO_FOURCC('k', 'i', 'n', 'd'),
             [](ByteSink& s) { s.code(BRIVO_FOURCC('8', 'B', 'F', 'M')); });
    property(BRIVO_FOURCC('n', 'a', 'm', 'e'), [](ByteSink& s) { s.pascal("Invert"); });
    property(BRIVO_FOURCC('w', 'x', '8', '6'), [](ByteSink& s) {
        s.raw("PluginMain");
        s.byte(0);
    });
    // Grayscale and RGB only.
    property(BRIVO_FOURCC('m', 'o', 'd', 'e'), [](ByteSink& s) {
        for (uint8_t flag : {0x50, 0x00, 0x00, 0x00}) s.byte(flag);
    });
    property(BRIVO_FOURCC('h', 's', 't', 'm'), [](ByteSink& s) {
        s.int32(0);
        s.code(kCode);
        s.code(kCode);
        s.int16(BRIVO_RESOURCE_TERMINOLOGY_ID);
        s.raw("0D9E7A52-6C1B-4F3A-9E25-3B7C1D0A8F64");
        s.byte(0);
    });
}

constexpr void writeTerminology(ByteSink& out) {
    out.int16(1);
    out.byte(1);
    out.byte(0);
    out.int16(0);
    out.int16(0);
    out.int16(1);  // suites
    out.pascal("Test");
    out.pascal("Test filters");
    out.code(kCode);
    out.int16(1);
    out.int16(1);
    out.int16(1);  // events
    out.pascal("Invert");
    out.pascal("Invert the colours.");
    out.code(kCode);
    out.code(kCode);
    out.code(BRIVO_FOURCC('n', 'u', 'l', 'l'));
    out.pascal("");
    out.int16(0);
    out.code(BRIVO_FOURCC('#', 'I', 'm', 'R'));
    out.pascal("");
    out.int16(0xb000);
    out.int16(1);  // parameters
    out.pascal("amount");
    out.code(kKeyAmount);
    out.code(typeFloat);
    out.pascal("how far to invert, in percent");
    out.int16(0);
    out.int16(0);  // classes
    out.int16(0);  // comparison operators
    out.int16(0);  // enumerations
}

constexpr void writeCatalog(ByteSink& out) {
    out.int16(BRIVO_CATALOG_VERSION);
    out.int16(1);
    out.pascal("amount");
    out.byte(0);
    out.code(kKeyAmount);
    out.byte(BRIVO_CATALOG_REAL);
    out.real64(kDefaultAmount);
    out.real64(0.0);
    out.real64(100.0);
    out.code(0);
    out.int16(0);
}

BRIVO_RESOURCE_RECORD auto kPropertyList =
    makeResourceRecord<BRIVO_RESOURCE_PROPERTY_LIST, BRIVO_RESOURCE_PROPERTY_LIST_ID,
                       &writePropertyList>();
BRIVO_RESOURCE_RECORD auto kTerminology =
    makeResourceRecord<BRIVO_RESOURCE_TERMINOLOGY, BRIVO_RESOURCE_TERMINOLOGY_ID,
                       &writeTerminology>();
BRIVO_RESOURCE_RECORD auto kCatalog =
    makeResourceRecord<BRIVO_RESOURCE_CATALOG, BRIVO_RESOURCE_CATALOG_ID, &writeCatalog>();

double readAmount(const PIDescriptorParameters* parameters) {
    double amount = kDefaultAmount;
    if (parameters == nullptr || parameters->descriptor == nullptr ||
        parameters->readDescriptorProcs == nullptr)
        return amount;
    const ReadDescriptorProcs& procs = *parameters->readDescriptorProcs;
    const DescriptorKeyID keys[] = {kKeyAmount, 0};
    PIReadDescriptor reader = procs.openReadDescriptorProc(parameters->descriptor, keys);
    if (reader == nullptr) return amount;
    DescriptorKeyID key = 0;
    DescType type = 0;
    while (procs.getKeyProc(reader, &key, &type, nullptr) != 0) {
        double value = 0;
        if (key == kKeyAmount && procs.getFloatProc(reader, &value) == kSPNoError) amount = value;
    }
    procs.closeReadDescriptorProc(reader);
    return amount;
}

void writeAmount(FilterRecord& record, double amount) {
    PIDescriptorParameters* parameters = record.descriptorParameters;
    if (parameters == nullptr || parameters->writeDescriptorProcs == nullptr) return;
    const WriteDescriptorProcs& procs = *parameters->writeDescriptorProcs;
    PIWriteDescriptor writer = procs.openWriteDescriptorProc();
    if (writer == nullptr) return;
    procs.putFloatProc(writer, kKeyAmount, &amount);
    PIDescriptorHandle written = nullptr;
    if (procs.closeWriteDescriptorProc(writer, &written) != kSPNoError || written == nullptr)
        return;
    if (parameters->descriptor != nullptr) record.handleProcs->disposeProc(parameters->descriptor);
    parameters->descriptor = written;
    parameters->recordInfo = plugInDialogOptional;
}

// Inverts every target channel over the filter area through the channel ports.
int16_t invert(FilterRecord& record, double amount) {
    const void* table = nullptr;
    if (record.sSPBasic->AcquireSuite(kPSChannelPortsSuite, kPSChannelPortsSuiteVersion2, &table) !=
        kSPNoError)
        return errPlugInHostInsufficient;
    const auto* ports = static_cast<const PSChannelPortsSuite2*>(table);
    VRect area = record.filterRect;
    const int32_t width = area.right - area.left;
    const int32_t height = area.bottom - area.top;
    int16_t result = noErr;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    PixelMemoryDesc memory{pixels.data(), width * 8, 8, 0, 8};
    const double weight = amount / 100.0;
    for (ReadChannelDesc* channel = record.documentInfo->targetCompositeChannels;
         channel != nullptr && result == noErr; channel = channel->next) {
        if (ports->ReadPixelsFromLevel(channel->port, 0, &area, &memory) != kSPNoError ||
            ports->WriteBasePixels == nullptr) {
            result = errPlugInHostInsufficient;
            break;
        }
        for (uint8_t& value : pixels) {
            const double blended = value + (255.0 - 2.0 * value) * weight;
            value = static_cast<uint8_t>(blended < 0 ? 0 : blended > 255 ? 255 : blended + 0.5);
        }
        if (ports->WriteBasePixels(channel->port, &area, &memory) != kSPNoError)
            result = errPlugInHostInsufficient;
    }
    record.sSPBasic->ReleaseSuite(kPSChannelPortsSuite, kPSChannelPortsSuiteVersion2);
    return result;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void PluginMain(int16_t selector,
                                                                  FilterRecord* record,
                                                                  intptr_t* /*data*/,
                                                                  int16_t* result) {
    try {
        *result = noErr;
        if (selector != filterSelectorStart || record == nullptr) return;
        const double amount = readAmount(record->descriptorParameters);
        *result = invert(*record, amount);
        if (*result == noErr) writeAmount(*record, amount);
    } catch (...) {
        *result = memFullErr;
    }
}
