// Reading a scripting terminology: the module's own, and damaged ones.
#include "host/scripting/terminology.h"

#include <gtest/gtest.h>

#include "host/scripting/descriptor_values.h"
#include "host/scripting/resource_reader.h"
#include "pluginapi/resource_section.h"

namespace brivo::host {
namespace {

std::vector<uint8_t> moduleTerminologyBytes() {
    const ResourceReader reader(BRIVO_MODULE_PATH);
    const Resource* resource =
        reader.find(BRIVO_RESOURCE_TERMINOLOGY, BRIVO_RESOURCE_TERMINOLOGY_ID);
    EXPECT_NE(resource, nullptr);
    return resource ? resource->bytes : std::vector<uint8_t>{};
}

TEST(Terminology, ReadsTheModulesEventParametersAndEnumerations) {
    const Terminology terminology = Terminology::parse(moduleTerminologyBytes());
    EXPECT_EQ(terminology.majorVersion, 1);
    EXPECT_EQ(terminology.minorVersion, 0);
    ASSERT_EQ(terminology.suites.size(), 1u);
    const TermSuite& suite = terminology.suites[0];
    EXPECT_EQ(suite.name, "KRX");
    EXPECT_EQ(suite.description, "Brivo!");
    EXPECT_EQ(fourCharText(suite.id), "krxB");
    ASSERT_EQ(suite.events.size(), 1u);
    const TermEvent& event = suite.events[0];
    EXPECT_EQ(event.name, "KRX Brivo!");
    EXPECT_EQ(event.description, "Add light and shadow to a scene.");
    EXPECT_EQ(fourCharText(event.eventClass), "krxB");
    EXPECT_EQ(fourCharText(event.replyType), "null");
    EXPECT_EQ(fourCharText(event.directType), "#ImR");
    EXPECT_EQ(event.directFlags, 0xb000);
    ASSERT_EQ(event.parameters.size(), 31u);
    EXPECT_EQ(event.parameters.front().name, "KRX light blend mode");
    EXPECT_EQ(fourCharText(event.parameters.front().type), "lBld");
    EXPECT_EQ(event.parameters.front().flags, 0x2000);
    EXPECT_EQ(event.parameters[8].description, "modulate displacement by extracted matte");
    EXPECT_EQ(fourCharText(event.parameters.back().key), "cp3Y");

    ASSERT_EQ(suite.enumerations.size(), 4u);
    EXPECT_EQ(fourCharText(suite.enumerations[0].type), "useC");
    EXPECT_EQ(suite.enumerations[0].enumerators.size(), 9u);
    EXPECT_EQ(suite.enumerations[0].enumerators.back().name, "KRX saturation");
    EXPECT_EQ(fourCharText(suite.enumerations[3].enumerators[1].code), "sMat");
}

TEST(Terminology, EveryTruncationIsRefused) {
    const std::vector<uint8_t> bytes = moduleTerminologyBytes();
    ASSERT_EQ(bytes.size(), 1790u);
    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_THROW(Terminology::parse({bytes.data(), length}), ResourceError) << length;
}

TEST(Terminology, AnnouncedCountsBeyondTheBytesAreRefused) {
    std::vector<uint8_t> bytes = moduleTerminologyBytes();
    bytes[8] = 0xff;  // suite count
    bytes[9] = 0xff;
    EXPECT_THROW(Terminology::parse(bytes), ResourceError);
}

}  // namespace
}  // namespace brivo::host
