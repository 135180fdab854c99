// Recording and replaying the parameters through a host's descriptors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/parameter_table.h"
#include "core/plugin_context.h"
#include "host/runtime/call_binding.h"
#include "host/scripting/descriptor_host.h"
#include "shell/descriptor_writer.h"
#include "shell/scripting_parameters.h"
#include "support/host_fixture.h"
#include "support/parameter_expectations.h"

namespace brivo {
namespace {

using host::DescriptorValues;
using host::EnumeratedValue;
using test::expectSameValues;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A host session on the real module with scripting attached.
class ScriptingTest : public ::testing::Test {
  protected:
    ScriptingTest()
        : session_(test::makeHost(test::makeDocument(plugInModeRGBColor, 16, 16))),
          host_(session_.host.get()),
          scripting_(session_.services->descriptors()) {}

    // The record as the module keeps it in the host's parameters handle.
    FilterParameters parameters() {
        FilterParameters record;
        const auto bytes = host_->handles().contents(host_->parametersHandle());
        EXPECT_GE(bytes.size(), sizeof record);
        std::memcpy(&record, bytes.data(), sizeof record);
        return record;
    }

    // Calls one selector and checks that every descriptor, lock and suite came back.
    int16_t call(int16_t selector) {
        const int16_t result = host_->call(selector);
        EXPECT_EQ(scripting_.store().liveDescriptors(), 0) << "selector " << selector;
        EXPECT_EQ(host_->lastCall().outstandingSuites, 0) << "selector " << selector;
        EXPECT_EQ(host_->lastCall().outstandingLocks, 0) << "selector " << selector;
        return result;
    }

    // Replays values silently through a start.
    void replay(const DescriptorValues& values, int16_t playInfo = plugInDialogSilent) {
        scripting_.replay(values, playInfo);
        call(filterSelectorStart);  // the render's own outcome is not at issue here
    }

    DescriptorValues recordFinish() {
        EXPECT_EQ(call(filterSelectorFinish), noErr);
        EXPECT_EQ(scripting_.recordInfo(), plugInDialogOptional);
        return scripting_.recorded().value_or(DescriptorValues{});
    }

    test::ModuleSession session_;
    host::FilterHost* host_;
    host::DescriptorHost& scripting_;
};

DescriptorValues only(DescriptorKeyID key, host::DescriptorValue value) {
    DescriptorValues values;
    values.put(key, std::move(value));
    return values;
}

TEST_F(ScriptingTest, ReplayStartsFromDefaultsNotLastValues) {
    DescriptorValues first;
    first.put(kKeyLightBrightness, 300.0);
    first.put(kKeyLightBlendMode,
              EnumeratedValue{kLightBlendModes.type, kLightBlendModeCodes[2].code});
    first.put(kKeyMatteChannel, EnumeratedValue{kMatteChannels.type, kMatteChannelCodes[8].code});
    replay(first);
    EXPECT_EQ(parameters().lightBrightness, 300.0);
    EXPECT_EQ(parameters().lightBlendMode, 2);
    EXPECT_EQ(parameters().matteChannel, 8);

    replay(only(kKeyShapeOpacity, 50.0));
    FilterParameters expected;
    expected.shapeOpacity = 50.0;
    expectSameValues(parameters(), expected);
}

TEST_F(ScriptingTest, UnknownEnumerationCodeLeavesTheDefault) {
    DescriptorValues values;
    values.put(kKeyLightBlendMode,
               EnumeratedValue{kLightBlendModes.type, BRIVO_FOURCC('z', 'z', 'z', 'z')});
    values.put(kKeyShapeBlendMode,
               EnumeratedValue{kShapeBlendModes.type, kShapeBlendModeCodes[6].code});
    replay(values);
    EXPECT_EQ(parameters().lightBlendMode, 0);
    EXPECT_EQ(parameters().shapeBlendMode, 6);
}

TEST_F(ScriptingTest, WriterPutsEveryKeyInOrderAndCornersOnlyWhenMoved) {
    replay(DescriptorValues{});
    DescriptorValues recorded = recordFinish();
    std::vector<DescriptorKeyID> keys;
    for (const auto& item : recorded.items()) keys.push_back(item.key);
    const std::vector<DescriptorKeyID> expected = {
        kKeyLightBlendMode,    kKeyLightSource,   kKeyLightBrightness, kKeyLightBlur,
        kKeyLightDisplacement, kKeyLightColorX,   kKeyLightColorY,     kKeyLightColorZ,
        kKeyMatteChannel,      kKeyMattePosition, kKeyMatteRange,      kKeyMatteBlur,
        kKeyShapeBlendMode,    kKeyShapeOpacity,  kKeyShapeBlurX,      kKeyShapeBlurY,
        kKeyShapePosX,         kKeyShapePosY,     kKeyShapeScaleX,     kKeyShapeScaleY,
        kKeyShapeRotate,       kKeyShapeFile};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(host::typeOf(*recorded.find(kKeyLightColorX)), typeInteger);
    EXPECT_EQ(std::get<EnumeratedValue>(*recorded.find(kKeyShapeBlendMode)),
              (EnumeratedValue{kShapeBlendModes.type, kShapeBlendModeCodes[2].code}));

    replay(only(kKeyCorner1X, 0.75));
    recorded = recordFinish();
    ASSERT_NE(recorded.find(kKeyCorner1X), nullptr);
    ASSERT_NE(recorded.find(kKeyCorner1Y), nullptr);
    EXPECT_EQ(std::get<double>(*recorded.find(kKeyCorner1X)), 0.75);
    EXPECT_EQ(std::get<double>(*recorded.find(kKeyCorner1Y)), 0.0);
    for (DescriptorKeyID key :
         {kKeyCorner0X, kKeyCorner0Y, kKeyCorner2X, kKeyCorner2Y, kKeyCorner3X, kKeyCorner3Y})
        EXPECT_EQ(recorded.find(key), nullptr);
}

TEST_F(ScriptingTest, FinishReplacesTheOldDescriptorHandle) {
    scripting_.replay(only(kKeyShapeOpacity, 20.0));
    const Handle replayed = scripting_.parameters().descriptor;
    call(filterSelectorStart);
    recordFinish();
    EXPECT_NE(scripting_.parameters().descriptor, replayed);
    EXPECT_FALSE(host_->handles().contains(replayed));
    EXPECT_EQ(std::get<double>(*scripting_.recorded()->find(kKeyShapeOpacity)), 20.0);

    // The recorded step replays at the next start.
    call(filterSelectorParameters);
    scripting_.setPlayInfo(plugInDialogSilent);
    call(filterSelectorStart);
    EXPECT_EQ(parameters().shapeOpacity, 20.0);
}

TEST_F(ScriptingTest, NothingRecordedKeepsTheLastValues) {
    replay(only(kKeyMatteRange, 33.0));
    scripting_.forget();
    call(filterSelectorStart);
    EXPECT_EQ(parameters().matteRange, 33.0);
}

TEST_F(ScriptingTest, LongPathsTravelAsTextAndOverlongOnesAreRefused) {
    const std::string path280 = "/" + std::string(279, 'p');
    replay(only(kKeyShapeFile, path280));
    EXPECT_STREQ(parameters().shapeFile.c_str(), path280.c_str());
    EXPECT_EQ(std::get<std::string>(*recordFinish().find(kKeyShapeFile)), path280);

    const std::string shortPath = "/patterns/rays.png";
    replay(only(kKeyShapeFile, shortPath));
    EXPECT_EQ(std::get<std::string>(*recordFinish().find(kKeyShapeFile)), shortPath);

    DescriptorValues overlong;
    overlong.put(kKeyShapeFile, "/" + std::string(399, 'q'));
    overlong.put(kKeyMatteRange, 60.0);
    replay(overlong);
    EXPECT_TRUE(parameters().shapeFile.isEmpty());
    EXPECT_EQ(parameters().matteRange, 60.0);
}

TEST_F(ScriptingTest, WrongTypedValuesDoNotArrive) {
    DescriptorValues values;
    values.put(kKeyLightBrightness, int32_t{300});
    values.put(kKeyLightBlendMode, 2.0);
    values.put(kKeyShapeFile, int32_t{5});
    values.put(kKeyMatteChannel, std::string("redC"));
    values.put(kKeyShapeOpacity, true);
    values.put(kKeyModulateDisplacement, true);
    values.put(BRIVO_FOURCC('x', 'x', 'x', 'x'), 1.0);
    values.put(kKeyShapeRotate, 45.0);
    replay(values);
    FilterParameters expected;
    expected.shapeRotate = 45.0;
    expectSameValues(parameters(), expected);
}

TEST_F(ScriptingTest, ColourComponentsArriveAsIntegersOrFloatsAndSaturate) {
    const struct {
        host::DescriptorValue sent;
        uint16_t stored;
    } cases[] = {
        {int32_t{1000}, 1000}, {int32_t{70000}, 65535}, {int32_t{-5}, 0}, {2000.9, 2000}, {-0.5, 0},
        {1e300, 65535},        {kInf, 65535},           {-kInf, 0},       {kNaN, 32768},
    };
    for (const auto& c : cases) {
        replay(only(kKeyLightColorY, c.sent));
        EXPECT_EQ(parameters().lightColor[1], c.stored) << "sent index " << c.sent.index();
        EXPECT_EQ(parameters().lightColor[0], 32768);
    }

    DescriptorValues colour;
    colour.put(kKeyLightColorX, int32_t{1000});
    colour.put(kKeyLightColorY, 2000.0);
    colour.put(kKeyLightColorZ, int32_t{65535});
    replay(colour);
    const DescriptorValues recorded = recordFinish();
    EXPECT_EQ(std::get<int32_t>(*recorded.find(kKeyLightColorX)), 1000);
    EXPECT_EQ(std::get<int32_t>(*recorded.find(kKeyLightColorY)), 2000);
    EXPECT_EQ(std::get<int32_t>(*recorded.find(kKeyLightColorZ)), 65535);
}

TEST_F(ScriptingTest, MissingScriptingSuiteFailsTheStart) {
    host_->withholdSuite(kPSDescriptorRegistrySuite);
    scripting_.replay(only(kKeyShapeOpacity, 50.0));
    EXPECT_EQ(call(filterSelectorStart), errPlugInHostInsufficient);
    EXPECT_EQ(call(filterSelectorFinish), errPlugInHostInsufficient);
}

// The read step on its own, to see what it tells the start driver.
class ReadStepTest : public ScriptingTest {
  protected:
    struct Outcome {
        bool replayed;
        uint8_t showDialog;
        FilterParameters parameters;
    };

    Outcome readWith(const DescriptorValues& values, int16_t playInfo) {
        scripting_.replay(values, playInfo);
        FilterRecord record{};
        record.handleProcs = host_->handles().procs();
        record.sSPBasic = host_->suites().basicSuite();
        record.descriptorParameters = &scripting_.parameters();
        host::CallBinding<host::HandleTable> handles(host_->handles());
        host::CallBinding<host::SuiteRegistry> suites(host_->suites());
        host::CallBinding<host::DescriptorStore> store(scripting_.store());
        intptr_t data = 0;
        int16_t result = 0;
        Outcome outcome{};
        {
            PluginContext context(&record, &data, &result);
            context.openHandles();
            outcome.replayed = readScriptingParameters(context);
            outcome.showDialog = context.globals->showDialog;
            outcome.parameters = *context.parameters;
        }
        host_->handles().dispose(record.parameters);
        host_->handles().dispose(reinterpret_cast<Handle>(data));
        EXPECT_EQ(scripting_.store().liveDescriptors(), 0);
        EXPECT_EQ(host_->suites().outstanding(), 0);
        return outcome;
    }
};

TEST_F(ReadStepTest, DialogDisplayReadsTheValuesAndStillAsksForTheDialog) {
    const Outcome shown = readWith(only(kKeyShapeOpacity, 50.0), plugInDialogDisplay);
    EXPECT_FALSE(shown.replayed);
    EXPECT_EQ(shown.showDialog, 1);
    EXPECT_EQ(shown.parameters.shapeOpacity, 50.0);

    for (int16_t playInfo :
         {int16_t{plugInDialogDontDisplay}, int16_t{plugInDialogSilent}, int16_t{7}}) {
        const Outcome silent = readWith(only(kKeyShapeOpacity, 40.0), playInfo);
        EXPECT_TRUE(silent.replayed) << playInfo;
        EXPECT_EQ(silent.showDialog, 0) << playInfo;
        EXPECT_EQ(silent.parameters.shapeOpacity, 40.0);
    }
}

TEST_F(ReadStepTest, FloatsAreStoredAsSent) {
    DescriptorValues values;
    values.put(kKeyLightBrightness, kNaN);
    values.put(kKeyMatteBlur, kInf);
    values.put(kKeyShapeScaleX, -1e308);
    const Outcome outcome = readWith(values, plugInDialogSilent);
    EXPECT_TRUE(std::isnan(outcome.parameters.lightBrightness));
    EXPECT_EQ(outcome.parameters.matteBlur, kInf);
    EXPECT_EQ(outcome.parameters.shapeScaleX, -1e308);
}

TEST_F(ReadStepTest, EnumerationOutsideItsTableIsWrittenAsTheDefaultCode) {
    FilterParameters record;
    record.lightBlendMode = 9;
    record.shapeBlendMode = -1;
    host::CallBinding<host::HandleTable> handles(host_->handles());
    host::CallBinding<host::DescriptorStore> store(scripting_.store());
    writeDescriptor(&scripting_.parameters(), host_->handles().procs(), record);
    const DescriptorValues recorded = scripting_.recorded().value();
    EXPECT_EQ(std::get<EnumeratedValue>(*recorded.find(kKeyLightBlendMode)).code,
              kLightBlendModeCodes[0].code);
    EXPECT_EQ(std::get<EnumeratedValue>(*recorded.find(kKeyShapeBlendMode)).code,
              kShapeBlendModeCodes[2].code);
}

// The table reaches every byte of every record field, through rows of the field's name.
TEST(ParameterTable, RowsCoverEachRecordFieldExactly) {
    struct Member {
        std::string_view name;
        size_t offset;
        size_t size;
    };
#define BRIVO_MEMBER(field)                                                        \
    Member {                                                                       \
#field, offsetof(FilterParameters, field), sizeof(FilterParameters::field) \
    }
    const Member members[] = {
        BRIVO_MEMBER(lightBlendMode),  BRIVO_MEMBER(lightSource),
        BRIVO_MEMBER(lightBrightness), BRIVO_MEMBER(lightDisplacement),
        BRIVO_MEMBER(lightBlur),       BRIVO_MEMBER(lightColor),
        BRIVO_MEMBER(matteChannel),    BRIVO_MEMBER(mattePosition),
        BRIVO_MEMBER(matteRange),      BRIVO_MEMBER(matteBlur),
        BRIVO_MEMBER(shapeBlendMode),  BRIVO_MEMBER(shapeFile),
        BRIVO_MEMBER(shapeOpacity),    BRIVO_MEMBER(shapeBlurX),
        BRIVO_MEMBER(shapeBlurY),      BRIVO_MEMBER(shapePosX),
        BRIVO_MEMBER(shapePosY),       BRIVO_MEMBER(shapeScaleX),
        BRIVO_MEMBER(shapeScaleY),     BRIVO_MEMBER(shapeRotate),
        BRIVO_MEMBER(cornerPin),
    };
#undef BRIVO_MEMBER
    FilterParameters record;
    const auto* base = reinterpret_cast<const char*>(&record);
    const auto span = [&](const ParameterField& field) -> std::pair<size_t, size_t> {
        const void* at = nullptr;
        size_t size = 0;
        switch (field.type) {
            case ParameterType::enumerated:
                at = &field.index(record), size = sizeof(int32_t);
                break;
            case ParameterType::real:
                at = &field.real(record), size = sizeof(double);
                break;
            case ParameterType::colour:
                at = &field.colour(record), size = sizeof(uint16_t);
                break;
            case ParameterType::path:
                at = &field.path(record), size = sizeof(ShapePath);
                break;
            case ParameterType::ignored:
                return {0, 0};
        }
        return {static_cast<size_t>(static_cast<const char*>(at) - base), size};
    };
    size_t storedRows = 0;
    for (const Member& member : members) {
        std::vector<bool> covered(member.size, false);
        for (const ParameterField& field : findParametersByName(member.name)) {
            const auto [offset, size] = span(field);
            ASSERT_GE(offset, member.offset) << member.name << field.component;
            ASSERT_LE(offset + size, member.offset + member.size) << member.name;
            for (size_t i = offset; i < offset + size; ++i) {
                EXPECT_FALSE(covered[i - member.offset]) << member.name << " byte " << i;
                covered[i - member.offset] = true;
            }
            ++storedRows;
        }
        EXPECT_EQ(std::ranges::count(covered, false), 0) << member.name;
    }
    EXPECT_EQ(storedRows, static_cast<size_t>(
                              std::ranges::count_if(kParameterTable, &ParameterField::isStored)));
    EXPECT_TRUE(findParametersByName("nonsense").empty());
}

// Repairs and defaults both come from the table: an enumeration outside its codes falls
// back to the table's default, never to a neighbouring value.
TEST(ParameterTable, RepairsTakeEachEnumerationsDefault) {
    for (const ParameterField& field : kParameterTable) {
        if (field.type != ParameterType::enumerated) continue;
        for (const int32_t bad : {-1, field.enumeration->count(), INT32_MAX}) {
            FilterParameters record;
            field.index(record) = bad;
            record.makeSafe();
            EXPECT_EQ(field.index(record), field.enumeration->defaultIndex) << field.name;
        }
    }
}

}  // namespace
}  // namespace brivo
