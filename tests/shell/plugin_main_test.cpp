// The entry point through a real host: selectors, result codes, the one-time suite check
// and the two host-kept handles, with every lock, suite and buffer given back per call.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "colorspace_suite.h"
#include "core/filter_parameters.h"
#include "core/parameter_table.h"
#include "core/plugin_context.h"
#include "host/scripting/descriptor_host.h"
#include "support/host_fixture.h"
#include "support/parameter_expectations.h"

namespace brivo {
namespace {

using host::FilterHost;
using host::ModuleLoader;
using test::makeDocument;
using test::makeHost;

// Calls one selector and checks that the call gave back everything it took.
int16_t call(FilterHost& host, int16_t selector) {
    const int16_t result = host.call(selector);
    const auto& report = host.lastCall();
    EXPECT_EQ(report.outstandingLocks, 0) << "selector " << selector;
    EXPECT_EQ(report.outstandingSuites, 0) << "selector " << selector;
    EXPECT_EQ(report.liveBuffers, 0) << "selector " << selector;
    return result;
}

test::ModuleSession session(ModuleLoader::Copy copy = ModuleLoader::Copy::shared) {
    return makeHost(makeDocument(plugInModeRGBColor, 12, 8), copy);
}

FilterParameters parametersOf(FilterHost& host) {
    FilterParameters record;
    const auto bytes = host.handles().contents(host.parametersHandle());
    EXPECT_GE(bytes.size(), sizeof record);
    if (bytes.size() >= sizeof record) std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

PluginGlobals globalsOf(FilterHost& host) {
    PluginGlobals globals{};
    const auto bytes = host.handles().contents(reinterpret_cast<Handle>(host.dataSlot()));
    EXPECT_GE(bytes.size(), sizeof globals);
    if (bytes.size() >= sizeof globals) std::memcpy(&globals, bytes.data(), sizeof globals);
    return globals;
}

// Every field at its default, through the table and corner by corner.
void expectDefaults(const FilterParameters& actual) {
    test::expectSameValues(actual, FilterParameters());
    const FilterParameters a = actual;
    for (int corner = 0; corner < 4; ++corner)
        EXPECT_EQ(a.cornerPin[corner], kDefaultCornerPin[corner]);
}

TEST(PluginMainSelectors, AboutRunsNoCheckAndTouchesNoHandles) {
    auto host = session(ModuleLoader::Copy::fresh);
    EXPECT_EQ(host->about(), noErr);
    EXPECT_EQ(host->lastCall().suiteProbes, 0);
    EXPECT_EQ(host->lastCall().outstandingLocks, 0);
    EXPECT_EQ(host->handles().liveHandles(), 0);
    EXPECT_EQ(host->dataSlot(), 0);
    EXPECT_EQ(host->parametersHandle(), nullptr);

    // The check is still pending after the about box: the next selector runs it.
    EXPECT_EQ(call(*host, filterSelectorPrepare), noErr);
    EXPECT_GT(host->lastCall().suiteProbes, 0);
}

TEST(PluginMainSelectors, UnknownSelectorsRunTheCheckAndNothingElse) {
    auto host = session(ModuleLoader::Copy::fresh);
    EXPECT_EQ(call(*host, 6), noErr);
    EXPECT_EQ(host->lastCall().suiteProbes, 2);  // ChannelPorts, then Buffer
    for (int16_t selector : {int16_t{100}, int16_t{-1}, int16_t{6}}) {
        EXPECT_EQ(call(*host, selector), noErr) << selector;
        EXPECT_EQ(host->lastCall().suiteProbes, 0) << selector;
    }
    EXPECT_EQ(host->handles().liveHandles(), 0);
    EXPECT_EQ(host->dataSlot(), 0);
    EXPECT_EQ(host->parametersHandle(), nullptr);
    EXPECT_EQ(host->ports().reads(), 0);
    EXPECT_EQ(host->buffers().liveBytes(), 0u);
}

TEST(PluginMainSelectors, ParametersCreatesBothHandlesWithDefaults) {
    auto host = session();
    EXPECT_EQ(call(*host, filterSelectorParameters), noErr);
    ASSERT_NE(host->parametersHandle(), nullptr);
    ASSERT_NE(host->dataSlot(), 0);
    EXPECT_EQ(host->handles().liveHandles(), 2);
    EXPECT_EQ(host->handles().size(host->parametersHandle()),
              static_cast<int32_t>(sizeof(FilterParameters)));
    expectDefaults(parametersOf(*host));
    EXPECT_EQ(globalsOf(*host).showDialog, 1);
    EXPECT_EQ(globalsOf(*host).previewView, 0);

    // Later calls reuse the same handles.
    const Handle parameters = host->parametersHandle();
    const intptr_t data = host->dataSlot();
    EXPECT_EQ(call(*host, filterSelectorParameters), noErr);
    EXPECT_EQ(host->parametersHandle(), parameters);
    EXPECT_EQ(host->dataSlot(), data);
    EXPECT_EQ(host->handles().liveHandles(), 2);
}

TEST(PluginMainSelectors, PrepareAndContinueOnlyMakeTheHandles) {
    for (int16_t selector : {int16_t{filterSelectorPrepare}, int16_t{filterSelectorContinue}}) {
        auto host = session();
        FilterRecord* seen = nullptr;
        FilterRecord before{};
        host->setRecordHook([&](FilterRecord& record) {
            seen = &record;
            before = record;
        });
        EXPECT_EQ(call(*host, selector), noErr) << selector;
        EXPECT_EQ(host->handles().liveHandles(), 2) << selector;
        expectDefaults(parametersOf(*host));
        EXPECT_EQ(globalsOf(*host).showDialog, 1);
        EXPECT_EQ(host->ports().reads(), 0);
        EXPECT_EQ(host->ports().writes(), 0);
        EXPECT_EQ(host->buffers().liveBytes(), 0u);
        EXPECT_TRUE(host->lastCall().progress.empty());
        // Nothing in the record changes but the parameters handle it was handed.
        ASSERT_NE(seen, nullptr);
        FilterRecord after = *seen;
        after.parameters = before.parameters;
        EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0) << selector;
    }
}

TEST(PluginMainSuiteCheck, MissingChannelPortsFailsEveryCallWithoutAnotherProbe) {
    auto host = session(ModuleLoader::Copy::fresh);
    host->withholdSuite(kPSChannelPortsSuite);
    EXPECT_EQ(call(*host, filterSelectorParameters), errPlugInHostInsufficient);
    EXPECT_GT(host->lastCall().suiteProbes, 0);

    // Even once the suite is offered, the outcome holds for the module's life.
    host->suites().offer(kPSChannelPortsSuite);
    for (int16_t selector : {1, 2, 3, 4, 5, 7}) {
        EXPECT_EQ(call(*host, selector), errPlugInHostInsufficient) << selector;
        EXPECT_EQ(host->lastCall().suiteProbes, 0) << selector;
    }
    EXPECT_EQ(host->handles().liveHandles(), 0);
    EXPECT_EQ(host->ports().reads(), 0);
    EXPECT_EQ(host->about(), noErr);
}

TEST(PluginMainSuiteCheck, MissingBufferSuiteOrBasicSuiteFails) {
    {
        auto host = session(ModuleLoader::Copy::fresh);
        host->withholdSuite(kPSBufferSuite);
        EXPECT_EQ(call(*host, filterSelectorStart), errPlugInHostInsufficient);
        EXPECT_EQ(host->handles().liveHandles(), 0);
        EXPECT_EQ(host->ports().reads(), 0);
    }
    {
        auto host = session(ModuleLoader::Copy::fresh);
        host->setRecordHook([](FilterRecord& record) { record.sSPBasic = nullptr; });
        EXPECT_EQ(call(*host, filterSelectorPrepare), errPlugInHostInsufficient);
        host->setRecordHook(nullptr);
        EXPECT_EQ(call(*host, filterSelectorPrepare), errPlugInHostInsufficient);
        EXPECT_EQ(host->handles().liveHandles(), 0);
    }
}

TEST(PluginMainHandles, CreationFailureLeaksNothing) {
    auto host = session();
    host->handles().failNextCreates(1);
    EXPECT_EQ(call(*host, filterSelectorParameters), memFullErr);
    EXPECT_EQ(host->handles().liveHandles(), 0);
    EXPECT_EQ(host->parametersHandle(), nullptr);
    EXPECT_EQ(host->dataSlot(), 0);

    // The data handle is the one that cannot be made: the parameters block the host
    // already holds stays, nothing else is left behind.
    const Handle held = host->handles().create(sizeof(FilterParameters));
    host->setParametersHandle(held);
    host->handles().failNextCreates(1);
    EXPECT_EQ(call(*host, filterSelectorStart), memFullErr);
    EXPECT_EQ(host->handles().liveHandles(), 1);
    EXPECT_EQ(host->parametersHandle(), held);
    EXPECT_EQ(host->dataSlot(), 0);
    EXPECT_EQ(host->ports().reads(), 0);

    // Once memory is back everything works.
    EXPECT_EQ(call(*host, filterSelectorParameters), noErr);
    EXPECT_EQ(host->handles().liveHandles(), 2);
}

TEST(PluginMainHandles, LockFailureOnAFreshHandleDisposesIt) {
    auto host = session();
    host->handles().failNextLocks(1);
    EXPECT_EQ(call(*host, filterSelectorParameters), memFullErr);
    EXPECT_EQ(host->handles().liveHandles(), 0);
    EXPECT_EQ(host->parametersHandle(), nullptr);
    EXPECT_EQ(host->dataSlot(), 0);

    // A lock of an existing handle that fails keeps the handle and unlocks nothing twice.
    EXPECT_EQ(call(*host, filterSelectorParameters), noErr);
    const Handle parameters = host->parametersHandle();
    host->handles().failNextLocks(1);
    EXPECT_EQ(call(*host, filterSelectorStart), memFullErr);
    EXPECT_EQ(host->handles().liveHandles(), 2);
    EXPECT_EQ(host->parametersHandle(), parameters);
    EXPECT_EQ(host->ports().reads(), 0);
}

// Handle procedures that fail one chosen lock, counted from the start of the call.
struct LockSpy {
    static inline HandleProcs* real = nullptr;
    static inline int failAt = -1;
    static inline int locks = 0;
    static inline HandleProcs procs{};
    static char* lock(Handle handle, uint8_t moveHigh) noexcept {
        if (locks++ == failAt) return nullptr;
        return real->lockProc(handle, moveHigh);
    }
    static void install(FilterRecord& record, int failingLock) {
        real = record.handleProcs;
        procs = *real;
        procs.lockProc = &lock;
        failAt = failingLock;
        locks = 0;
        record.handleProcs = &procs;
    }
};

TEST(PluginMainHandles, FailureWhileOneHandleIsLockedStillUnlocksIt) {
    auto host = session();
    ASSERT_EQ(call(*host, filterSelectorParameters), noErr);
    // The parameters lock succeeds, the data lock fails.
    host->setRecordHook([](FilterRecord& record) { LockSpy::install(record, 1); });
    EXPECT_EQ(call(*host, filterSelectorStart), memFullErr);
    EXPECT_EQ(host->handles().liveHandles(), 2);
    EXPECT_EQ(host->ports().reads(), 0);
    EXPECT_EQ(call(*host, filterSelectorFinish), memFullErr);
    host->setRecordHook(nullptr);
    EXPECT_EQ(call(*host, filterSelectorStart), noErr);
}

TEST(PluginMainHandles, FailureRaisedInsideTheStartUnlocksBothHandles) {
    auto host = session(ModuleLoader::Copy::fresh);
    ASSERT_EQ(call(*host, filterSelectorParameters), noErr);
    host->withholdSuite(kPSColorSpaceSuite);
    EXPECT_EQ(call(*host, filterSelectorStart), errPlugInHostInsufficient);
    host->suites().offer(kPSColorSpaceSuite);
    host->setBufferLimit(16);
    EXPECT_EQ(call(*host, filterSelectorStart), memFullErr);
    EXPECT_EQ(host->handles().liveHandles(), 2);
}

TEST(PluginMainHandles, TooSmallParametersBlockIsReplacedWithDefaults) {
    auto host = session();
    const Handle small = host->handles().create(8);
    std::memset(host->handles().contents(small).data(), 0x7f, 8);
    host->setParametersHandle(small);
    EXPECT_EQ(call(*host, filterSelectorPrepare), noErr);
    EXPECT_NE(host->parametersHandle(), small);
    EXPECT_FALSE(host->handles().contains(small));
    EXPECT_EQ(host->handles().liveHandles(), 2);
    EXPECT_EQ(host->handles().size(host->parametersHandle()),
              static_cast<int32_t>(sizeof(FilterParameters)));
    expectDefaults(parametersOf(*host));
}

TEST(PluginMainHandles, UnsafeRecordFromTheHostIsMadeSafe) {
    auto host = session();
    const Handle held = host->handles().create(sizeof(FilterParameters));
    FilterParameters planted;
    planted.lightBlendMode = 3;
    planted.lightSource = -1;
    planted.matteChannel = 9;
    planted.shapeBlendMode = 1 << 30;
    planted.lightBrightness = 42.0;
    auto bytes = host->handles().contents(held);
    std::memcpy(bytes.data(), &planted, sizeof planted);
    std::memset(bytes.data() + offsetof(FilterParameters, shapeFile), 'a', ShapePath::kCapacity);
    host->setParametersHandle(held);

    EXPECT_EQ(call(*host, filterSelectorPrepare), noErr);
    EXPECT_EQ(host->parametersHandle(), held);
    const FilterParameters safe = parametersOf(*host);
    EXPECT_EQ(safe.lightBlendMode, 0);
    EXPECT_EQ(safe.lightSource, 0);
    EXPECT_EQ(safe.matteChannel, 0);
    EXPECT_EQ(safe.shapeBlendMode, static_cast<int32_t>(ShapeBlendMode::Add));
    EXPECT_EQ(safe.shapeFile.length(), ShapePath::kMaxLength);
    EXPECT_EQ(safe.lightBrightness, 42.0);  // values in range are kept
}

TEST(PluginMainEntry, MissingRecordDataOrResultSlotIsSafe) {
    auto host = session();
    const PluginMainProc entry = host->module().entryPoint();
    intptr_t data = 0;
    int16_t result = 1;
    entry(filterSelectorStart, nullptr, &data, &result);
    EXPECT_EQ(result, errPlugInHostInsufficient);
    EXPECT_EQ(data, 0);
    // Without a result slot the call has nowhere to report, but must not fail.
    entry(filterSelectorAbout, nullptr, &data, nullptr);
    entry(filterSelectorStart, nullptr, nullptr, nullptr);
    EXPECT_EQ(host->handles().liveHandles(), 0);
}

}  // namespace
}  // namespace brivo
