#include "host/runtime/filter_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace brivo::host {
namespace {

using test::Fill;
using test::makeDocument;
using test::makeHost;

struct SeenChannel {
    int16_t type;
    VRect bounds;
    int32_t depth;
};

// The parts of a FilterRecord the module depends on, copied while the call is set up.
struct SeenRecord {
    FilterRecord record{};
    ReadImageDocumentDesc document{};
    std::vector<SeenChannel> composite;
    std::vector<SeenChannel> alpha;
};

std::vector<SeenChannel> walk(const ReadChannelDesc* channel) {
    std::vector<SeenChannel> seen;
    for (; channel; channel = channel->next)
        seen.push_back({channel->channelType, channel->bounds, channel->depth});
    return seen;
}

SeenRecord capture(FilterHost& host, int16_t selector) {
    SeenRecord seen;
    host.setRecordHook([&](FilterRecord& record) {
        seen.record = record;
        seen.document = *record.documentInfo;
        seen.composite = walk(record.documentInfo->targetCompositeChannels);
        seen.alpha = walk(record.documentInfo->alphaChannels);
    });
    host.call(selector);
    host.setRecordHook(nullptr);
    return seen;
}

std::vector<int16_t> types(const std::vector<SeenChannel>& channels) {
    std::vector<int16_t> result;
    for (const auto& channel : channels) result.push_back(channel.type);
    return result;
}

TEST(FilterHostRecord, DescribesTheDocument) {
    auto host = makeHost(makeDocument(plugInModeRGBColor, 5, 3, Fill::gradient, true));
    const SeenRecord seen = capture(*host, filterSelectorPrepare);
    EXPECT_EQ(seen.record.imageSize.h, 5);
    EXPECT_EQ(seen.record.imageSize.v, 3);
    EXPECT_EQ(seen.record.planes, 3);
    EXPECT_EQ(seen.record.imageMode, plugInModeRGBColor);
    EXPECT_EQ(seen.record.depth, 8);
    const VRect whole{0, 0, 3, 5};
    EXPECT_EQ(std::memcmp(&seen.record.filterRect, &whole, sizeof whole), 0);
    EXPECT_NE(seen.record.handleProcs, nullptr);
    EXPECT_NE(seen.record.sSPBasic, nullptr);
    EXPECT_NE(seen.record.abortProc, nullptr);
    EXPECT_NE(seen.record.progressProc, nullptr);
    EXPECT_EQ(seen.record.displayPixels, nullptr);
    EXPECT_EQ(seen.record.descriptorParameters, &host.services->descriptors().parameters());
    EXPECT_EQ(seen.document.imageMode, plugInModeRGBColor);
    EXPECT_EQ(types(seen.composite), (std::vector<int16_t>{ctRed, ctGreen, ctBlue}));
    EXPECT_EQ(types(seen.alpha), (std::vector<int16_t>{ctTransparency}));
    for (const auto& channel : seen.composite) {
        EXPECT_EQ(channel.depth, 8);
        EXPECT_EQ(std::memcmp(&channel.bounds, &whole, sizeof whole), 0);
    }
}

TEST(FilterHostRecord, NamesTheChannelsOfEachMode) {
    auto gray = makeHost(makeDocument(plugInModeGrayScale, 2, 2));
    const SeenRecord graySeen = capture(*gray, filterSelectorPrepare);
    EXPECT_EQ(types(graySeen.composite), (std::vector<int16_t>{ctBlackAndWhite}));
    EXPECT_TRUE(graySeen.alpha.empty());

    auto cmyk = makeHost(makeDocument(plugInModeCMYKColor, 2, 2));
    EXPECT_EQ(types(capture(*cmyk, filterSelectorPrepare).composite),
              (std::vector<int16_t>{ctCyan, ctMagenta, ctYellow, ctBlack}));
}

TEST(FilterHostRecord, FilterRectMustLieInsideTheImage) {
    auto host = makeHost(makeDocument(plugInModeGrayScale, 10, 8));
    EXPECT_THROW(host->setFilterRect({0, 0, 9, 10}), std::invalid_argument);
    EXPECT_THROW(host->setFilterRect({0, 0, 8, 11}), std::invalid_argument);
    EXPECT_THROW(host->setFilterRect({4, 0, 3, 10}), std::invalid_argument);
    EXPECT_THROW(host->setFilterRect({-1, 0, 3, 10}), std::invalid_argument);
    host->setFilterRect({2, 3, 6, 7});
    const SeenRecord seen = capture(*host, filterSelectorPrepare);
    EXPECT_EQ(seen.record.filterRect.top, 2);
    EXPECT_EQ(seen.record.filterRect.right, 7);

    // A document that shrank since the rectangle was set is refused, not read past its end.
    host->document() = makeDocument(plugInModeGrayScale, 4, 4);
    EXPECT_THROW(host->call(filterSelectorPrepare), std::invalid_argument);
}

TEST(FilterHostSession, KeepsTheModulesBlocksBetweenCalls) {
    auto host = makeHost(makeDocument(plugInModeRGBColor, 4, 4));
    EXPECT_EQ(host->call(filterSelectorParameters), noErr);
    const Handle parameters = host->parametersHandle();
    const intptr_t data = host->dataSlot();
    EXPECT_NE(parameters, nullptr);
    EXPECT_NE(data, 0);
    EXPECT_EQ(host->call(filterSelectorPrepare), noErr);
    EXPECT_EQ(host->parametersHandle(), parameters);
    EXPECT_EQ(host->dataSlot(), data);
    EXPECT_EQ(host->handles().liveHandles(), 2);
}

TEST(FilterHostSession, EveryCallGivesBackWhatItTook) {
    auto host = makeHost(makeDocument(plugInModeRGBColor, 40, 600, Fill::noise));
    for (int16_t selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart,
                             filterSelectorContinue, filterSelectorFinish}) {
        EXPECT_EQ(host->call(selector), noErr) << "selector " << selector;
        const CallReport& report = host->lastCall();
        EXPECT_EQ(report.selector, selector);
        EXPECT_EQ(report.outstandingLocks, 0) << "selector " << selector;
        EXPECT_EQ(report.outstandingSuites, 0) << "selector " << selector;
        EXPECT_EQ(report.liveBuffers, 0) << "selector " << selector;
    }
}

TEST(FilterHostSession, StartReportsProgressPerStrip) {
    auto host = makeHost(makeDocument(plugInModeGrayScale, 16, 600));
    std::vector<std::pair<int32_t, int32_t>> shown;
    host->setProgressHandler([&](int32_t done, int32_t total) { shown.emplace_back(done, total); });
    ASSERT_EQ(host->call(filterSelectorParameters), noErr);
    ASSERT_EQ(host->call(filterSelectorStart), noErr);
    const std::vector<std::pair<int32_t, int32_t>> expected{{1, 3}, {2, 3}, {3, 3}};
    EXPECT_EQ(host->lastCall().progress, expected);
    EXPECT_EQ(shown, expected);
}

TEST(FilterHostSession, AbortLeavesTheDocumentUnchanged) {
    const PlanarDocument original = makeDocument(plugInModeRGBColor, 8, 600, Fill::noise);
    auto host = makeHost(original);
    int polls = 0;
    host->setAbortHandler([&] { return ++polls == 1; });
    EXPECT_EQ(host->run(), userCanceledErr);
    EXPECT_EQ(host->lastCall().selector, filterSelectorStart);
    EXPECT_EQ(host->lastCall().progress.size(), 1u);
    EXPECT_EQ(host->lastCall().liveBuffers, 0);
    EXPECT_EQ(host->document().planes, original.planes);
}

TEST(FilterHostSession, FilterAreaOutsideTheRectIsNeverChanged) {
    const PlanarDocument original = makeDocument(plugInModeCMYKColor, 30, 20, Fill::noise, true);
    auto host = makeHost(original);
    host->setFilterRect({5, 6, 15, 20});
    ASSERT_EQ(host->run(), noErr);
    const PlanarDocument& result = host->document();
    for (size_t p = 0; p < original.planes.size(); ++p)
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 30; ++x) {
                if (y >= 5 && y < 15 && x >= 6 && x < 20) continue;
                const size_t at = static_cast<size_t>(y * 30 + x);
                ASSERT_EQ(result.planes[p][at], original.planes[p][at])
                    << p << ' ' << x << ',' << y;
            }
    EXPECT_EQ(result.alpha, original.alpha);
}

TEST(FilterHostServices, WithheldSuiteIsReportedAndNotProbedTwice) {
    auto host = makeHost(makeDocument(plugInModeGrayScale, 4, 4), ModuleLoader::Copy::fresh);
    host->withholdSuite(kPSChannelPortsSuite);
    EXPECT_EQ(host->call(filterSelectorParameters), errPlugInHostInsufficient);
    EXPECT_GT(host->lastCall().suiteProbes, 0);
    EXPECT_EQ(host->lastCall().outstandingSuites, 0);
    EXPECT_EQ(host->call(filterSelectorPrepare), errPlugInHostInsufficient);
    EXPECT_EQ(host->lastCall().suiteProbes, 0);
}

TEST(FilterHostServices, BufferLimitGivesOutOfMemory) {
    const PlanarDocument original = makeDocument(plugInModeRGBColor, 32, 32, Fill::noise);
    auto host = makeHost(original);
    host->setBufferLimit(100);
    EXPECT_EQ(host->run(), memFullErr);
    EXPECT_EQ(host->lastCall().liveBuffers, 0);
    EXPECT_EQ(host->lastCall().outstandingLocks, 0);
    EXPECT_EQ(host->document().planes, original.planes);
}

TEST(FilterHostServices, FailedHandleCreationGivesOutOfMemory) {
    auto host = makeHost(makeDocument(plugInModeGrayScale, 4, 4));
    host->handles().failNextCreates(1);
    EXPECT_EQ(host->call(filterSelectorParameters), memFullErr);
    EXPECT_EQ(host->lastCall().outstandingLocks, 0);
    EXPECT_EQ(host->call(filterSelectorParameters), noErr);
}

TEST(FilterHostServices, ModuleCopesWithoutProgressOrAbortProcedures) {
    auto host = makeHost(makeDocument(plugInModeGrayScale, 4, 300));
    host->setRecordHook([](FilterRecord& record) {
        record.progressProc = nullptr;
        record.abortProc = nullptr;
    });
    EXPECT_EQ(host->run(), noErr);
    EXPECT_TRUE(host->lastCall().progress.empty());
}

// Private module copies in the temporary directory.
std::ptrdiff_t privateCopies() {
    std::ptrdiff_t count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        count += entry.path().filename().string().starts_with("brivo-module-");
    return count;
}

TEST(ModuleLoader, ReportsFilesThatAreNotModules) {
    EXPECT_THROW(ModuleLoader("/nonexistent/brivo.so"), ModuleLoadError);
    const test::TempDir dir;
    std::ofstream(dir / "junk.so") << "not a library";
    const auto copiesBefore = privateCopies();
    EXPECT_THROW(ModuleLoader(dir / "junk.so", ModuleLoader::Copy::fresh), ModuleLoadError);
    EXPECT_EQ(privateCopies(), copiesBefore);  // the failed copy is not left behind
    // A shared library without the entry point.
    const char* libz = "/lib/x86_64-linux-gnu/libz.so.1";
    if (std::filesystem::exists(libz)) {
        try {
            ModuleLoader loader(libz);
            ADD_FAILURE() << "loaded a library without PluginMain";
        } catch (const ModuleLoadError& error) {
            EXPECT_NE(std::string(error.what()).find("PluginMain"), std::string::npos);
        }
    }
}

TEST(ModuleLoader, FreshCopiesAreSeparateLoads) {
    const auto copiesBefore = privateCopies();
    const ModuleLoader fresh(BRIVO_MODULE_PATH, ModuleLoader::Copy::fresh);
    const ModuleLoader shared(BRIVO_MODULE_PATH);
    EXPECT_NE(fresh.entryPoint(), shared.entryPoint());
    EXPECT_EQ(fresh.path(), BRIVO_MODULE_PATH);
    EXPECT_EQ(privateCopies(), copiesBefore);  // the copy's file goes once it is mapped
}

}  // namespace
}  // namespace brivo::host
