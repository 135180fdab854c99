// Reading a property list: the module's own, and damaged ones.
#include "host/scripting/property_list.h"

#include <gtest/gtest.h>

#include "host/scripting/resource_reader.h"
#include "pluginapi/filter_record.h"
#include "pluginapi/resource_section.h"

namespace brivo::host {
namespace {

std::vector<uint8_t> modulePropertyBytes() {
    const ResourceReader reader(BRIVO_MODULE_PATH);
    const Resource* resource =
        reader.find(BRIVO_RESOURCE_PROPERTY_LIST, BRIVO_RESOURCE_PROPERTY_LIST_ID);
    EXPECT_NE(resource, nullptr);
    return resource ? resource->bytes : std::vector<uint8_t>{};
}

// A list of one property with the given key and data.
std::vector<uint8_t> listWith(uint32_t key, std::vector<uint8_t> data) {
    std::vector<uint8_t> bytes = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    const auto word = [&bytes](uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(value >> shift));
    };
    word(BRIVO_FOURCC('8', 'B', 'I', 'M'));
    word(key);
    word(0);
    word(static_cast<uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

TEST(PropertyList, ReadsTheModulesProperties) {
    const PropertyList list = PropertyList::parse(modulePropertyBytes());
    EXPECT_EQ(list.properties().size(), 9u);
    EXPECT_EQ(list.word(BRIVO_FOURCC('k', 'i', 'n', 'd')), BRIVO_FOURCC('8', 'B', 'F', 'M'));
    EXPECT_EQ(list.pascal(BRIVO_FOURCC('n', 'a', 'm', 'e')), "Brivo!...");
    EXPECT_EQ(list.pascal(BRIVO_FOURCC('c', 'a', 't', 'g')), "Korvane");
    EXPECT_EQ(list.word(BRIVO_FOURCC('v', 'e', 'r', 's')), 0x00040000u);
    EXPECT_EQ(list.cString(BRIVO_FOURCC('w', 'x', '8', '6')), "PluginMain");
    const std::optional<TerminologyLink> link = list.terminologyLink();
    ASSERT_TRUE(link);
    EXPECT_EQ(link->eventClass, BRIVO_FOURCC('k', 'r', 'x', 'B'));
    EXPECT_EQ(link->eventId, BRIVO_FOURCC('k', 'r', 'x', 'B'));
    EXPECT_EQ(link->terminologyId, 16000);
    EXPECT_EQ(link->uniqueId, "7C2A91E4-3B58-4D06-A1F9-52E8B0C4D713");
    EXPECT_EQ(PropertyList::ofModule(BRIVO_MODULE_PATH).properties().size(), 9u);
}

TEST(PropertyList, ModeCheckPassesGrayRgbAndCmykOnly) {
    const PropertyList list = PropertyList::parse(modulePropertyBytes());
    for (int32_t mode : {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor})
        EXPECT_TRUE(list.offersMode(mode)) << mode;
    for (int32_t mode : {-1, 0, 2, 5, 6, 7, 8, 9, 15, 16, 1 << 30})
        EXPECT_FALSE(list.offersMode(mode)) << mode;
    EXPECT_EQ(list.offeredModes(), (std::vector<int32_t>{1, 3, 4}));
}

TEST(PropertyList, ModeFlagsAreABigEndianWordFromBit15ForMode0) {
    const uint32_t mode = BRIVO_FOURCC('m', 'o', 'd', 'e');
    EXPECT_EQ(PropertyList::parse(listWith(mode, {0x00, 0x40, 0, 0})).offeredModes(),
              std::vector<int32_t>{9});
    EXPECT_EQ(PropertyList::parse(listWith(mode, {0x80, 0x01, 0, 0})).offeredModes(),
              (std::vector<int32_t>{0, 15}));
    // Without a mode property, or with one too short to hold the word, nothing is offered.
    EXPECT_TRUE(PropertyList::parse(listWith(mode, {0x58})).offeredModes().empty());
    EXPECT_FALSE(PropertyList::parse(listWith(BRIVO_FOURCC('k', 'i', 'n', 'd'), {})).offersMode(3));
}

TEST(PropertyList, DamagedBytesAreRefusedNeverOverread) {
    const std::vector<uint8_t> bytes = modulePropertyBytes();
    // Every cut short of the last property's data leaves a property incomplete.
    const size_t lastDataStart = bytes.size() - 28;
    for (size_t length = 0; length < lastDataStart; ++length)
        EXPECT_THROW(PropertyList::parse({bytes.data(), length}), ResourceError) << length;

    std::vector<uint8_t> huge = listWith(BRIVO_FOURCC('n', 'a', 'm', 'e'), {3, 'a', 'b', 'c'});
    huge[22] = 0xff;  // the data length's top byte
    EXPECT_THROW(PropertyList::parse(huge), ResourceError);

    // A Pascal string whose length byte claims more than the data holds is not read.
    const PropertyList list =
        PropertyList::parse(listWith(BRIVO_FOURCC('n', 'a', 'm', 'e'), {9, 'a'}));
    EXPECT_FALSE(list.pascal(BRIVO_FOURCC('n', 'a', 'm', 'e')));
    EXPECT_FALSE(list.word(BRIVO_FOURCC('n', 'a', 'm', 'e')));
}

}  // namespace
}  // namespace brivo::host
