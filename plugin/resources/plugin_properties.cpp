// The property list: what the module is, how the host lists and calls it, and where its
// scripting terminology is.
#include "core/parameter_table.h"
#include "resources/resource_builder.h"

namespace brivo::resources {

namespace {

constexpr uint32_t kVendor = BRIVO_FOURCC('8', 'B', 'I', 'M');
constexpr std::string_view kEnableCondition =
    "in (PSHOP_ImageMode, RGBMode, GrayScaleMode, CMYKMode)";
// One flag bit per image mode, from 0x8000 for mode 0: Grayscale, RGB and CMYK.
constexpr uint8_t kModeFlags[4] = {0x58, 0x00, 0x00, 0x00};
constexpr int kFilterCaseCount = 7;

// One property: its header with the unpadded length, then the datum padded to 4 bytes.
template <class WriteDatum>
constexpr void property(ByteSink& out, uint32_t key, WriteDatum writeDatum) {
    ByteSink counter;
    writeDatum(counter);
    out.code(kVendor);
    out.code(key);
    out.int32(0);
    out.int32(static_cast<uint32_t>(counter.size()));
    writeDatum(out);
    for (size_t length = counter.size(); length % 4 != 0; ++length) out.byte(0);
}

constexpr void writePropertyList(ByteSink& out) {
    out.int16(1);
    out.int32(0);
    out.int32(9);
    property(out, BRIVO_FOURCC('k', 'i', 'n', 'd'),
             [](ByteSink& s) { s.code(BRIVO_FOURCC('8', 'B', 'F', 'M')); });
    property(out, BRIVO_FOURCC('n', 'a', 'm', 'e'), [](ByteSink& s) { s.pascal("Brivo!..."); });
    property(out, BRIVO_FOURCC('c', 'a', 't', 'g'), [](ByteSink& s) { s.pascal("Korvane"); });
    property(out, BRIVO_FOURCC('v', 'e', 'r', 's'), [](ByteSink& s) { s.int32(0x00040000); });
    property(out, BRIVO_FOURCC('w', 'x', '8', '6'), [](ByteSink& s) {
        s.raw("PluginMain");
        s.byte(0);
    });
    property(out, BRIVO_FOURCC('m', 'o', 'd', 'e'), [](ByteSink& s) {
        for (uint8_t flag : kModeFlags) s.byte(flag);
    });
    property(out, BRIVO_FOURCC('h', 's', 't', 'm'), [](ByteSink& s) {
        s.int32(0);
        s.code(kPluginCode);
        s.code(kPluginCode);
        s.int16(BRIVO_RESOURCE_TERMINOLOGY_ID);
        s.raw(kPluginUniqueId);
        s.byte(0);
    });
    property(out, BRIVO_FOURCC('e', 'n', 'b', 'l'), [](ByteSink& s) { s.raw(kEnableCondition); });
    property(out, BRIVO_FOURCC('f', 'i', 'c', 'i'), [](ByteSink& s) {
        for (int i = 0; i < kFilterCaseCount; ++i) {
            s.byte(4);  // input handling
            s.byte(4);  // output handling
            s.byte(4);  // flags
            s.byte(0);
        }
    });
}

BRIVO_RESOURCE_RECORD auto kPropertyList =
    makeResourceRecord<BRIVO_RESOURCE_PROPERTY_LIST, BRIVO_RESOURCE_PROPERTY_LIST_ID,
                       &writePropertyList>();

}  // namespace

}  // namespace brivo::resources
