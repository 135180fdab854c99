// The start selector's strip walk as the host sees it: the rectangles read and written,
// progress and abort, and every failure path giving back its locks, suites and buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "colorspace_suite.h"
#include "core/parameter_table.h"
#include "core/plugin_context.h"
#include "host/scripting/descriptor_host.h"
#include "support/host_fixture.h"

// Found by argument lookup: VRect lives in the global namespace.
static bool operator==(const VRect& a, const VRect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

[[maybe_unused]] static void PrintTo(const VRect& r, std::ostream* os) {
    *os << "(" << r.top << "," << r.left << "," << r.bottom << "," << r.right << ")";
}

namespace brivo {
namespace {

using host::DescriptorValues;
using host::FilterHost;
using host::ModuleLoader;
using host::PlanarDocument;
using test::makeDocument;
using test::makeHost;

using Rects = std::vector<VRect>;

// A basic suite in front of the host's that hands out a ChannelPorts table whose writes
// are logged before they reach the host.
struct WriteSpy {
    static inline SPBasicSuite* real = nullptr;
    static inline const PSChannelPortsSuite2* realPorts = nullptr;
    static inline std::vector<std::pair<PIChannelPort, VRect>> writes;
    static inline SPBasicSuite basic{};
    static inline PSChannelPortsSuite2 ports{};

    static SPErr acquire(const char* name, int32_t version, const void** suite) noexcept {
        const SPErr status = real->AcquireSuite(name, version, suite);
        if (status == kSPNoError && std::string_view(name) == kPSChannelPortsSuite) {
            realPorts = static_cast<const PSChannelPortsSuite2*>(*suite);
            ports = *realPorts;
            ports.WriteBasePixels = &write;
            *suite = &ports;
        }
        return status;
    }
    static SPErr release(const char* name, int32_t version) noexcept {
        return real->ReleaseSuite(name, version);
    }
    static SPErr write(PIChannelPort port, const VRect* rect,
                       const PixelMemoryDesc* source) noexcept {
        if (rect) writes.emplace_back(port, *rect);
        return realPorts->WriteBasePixels(port, rect, source);
    }
    static void install(FilterRecord& record) {
        real = record.sSPBasic;
        basic = *real;
        basic.AcquireSuite = &acquire;
        basic.ReleaseSuite = &release;
        record.sSPBasic = &basic;
        writes.clear();
    }
};

class FilterDriverTest : public ::testing::Test {
  protected:
    void open(PlanarDocument document, ModuleLoader::Copy copy = ModuleLoader::Copy::shared) {
        // The services go before the host they serve.
        session_.services.reset();
        session_.host.reset();
        session_ = makeHost(std::move(document), copy);
        host_ = session_.host.get();
        original_ = host_->document();
        host_->setRecordHook([](FilterRecord& record) { WriteSpy::install(record); });
    }

    int16_t call(int16_t selector) {
        const int16_t result = host_->call(selector);
        const auto& report = host_->lastCall();
        EXPECT_EQ(report.outstandingLocks, 0) << "selector " << selector;
        EXPECT_EQ(report.outstandingSuites, 0) << "selector " << selector;
        EXPECT_EQ(report.liveBuffers, 0) << "selector " << selector;
        return result;
    }

    // A silent start that replays values (the rest take their defaults).
    int16_t replayStart(double lightBlur, double matteBlur) {
        DescriptorValues values;
        values.put(kKeyLightBlur, lightBlur);
        values.put(kKeyMatteBlur, matteBlur);
        session_.services->descriptors().replay(values, plugInDialogSilent);
        return call(filterSelectorStart);
    }

    // The rectangles read from one channel, in order; every channel must have been read
    // with the same rectangles.
    Rects readsOf(int32_t channel) const {
        Rects rects;
        for (const auto& [index, rect] : host_->ports().readLog())
            if (index == channel) rects.push_back(rect);
        return rects;
    }
    void expectSameReadsForEveryChannel(int32_t channels) const {
        for (int32_t channel = 1; channel < channels; ++channel)
            EXPECT_EQ(readsOf(channel), readsOf(0)) << "channel " << channel;
        EXPECT_EQ(host_->ports().readLog().size(),
                  readsOf(0).size() * static_cast<size_t>(channels));
    }
    Rects writesOfFirstChannel() const {
        Rects rects;
        if (WriteSpy::writes.empty()) return rects;
        const PIChannelPort first = WriteSpy::writes.front().first;
        for (const auto& [port, rect] : WriteSpy::writes)
            if (port == first) rects.push_back(rect);
        return rects;
    }

    bool documentUnchanged() const {
        return host_->document().planes == original_.planes &&
               host_->document().alpha == original_.alpha;
    }

    PluginGlobals globals() {
        PluginGlobals globals{};
        const auto bytes = host_->handles().contents(reinterpret_cast<Handle>(host_->dataSlot()));
        EXPECT_GE(bytes.size(), sizeof globals);
        if (bytes.size() >= sizeof globals) std::memcpy(&globals, bytes.data(), sizeof globals);
        return globals;
    }

    test::ModuleSession session_;
    FilterHost* host_ = nullptr;
    PlanarDocument original_;
};

using Progress = std::vector<std::pair<int32_t, int32_t>>;

TEST_F(FilterDriverTest, ThreeStripsWithoutMarginReadExactlyTheCoreRows) {
    open(makeDocument(plugInModeRGBColor, 20, 600));
    ASSERT_EQ(replayStart(0.0, 0.0), noErr);
    const Rects core = {{0, 0, 256, 20}, {256, 0, 512, 20}, {512, 0, 600, 20}};
    EXPECT_EQ(readsOf(0), core);
    expectSameReadsForEveryChannel(3);
    EXPECT_EQ(writesOfFirstChannel(), core);
    EXPECT_EQ(WriteSpy::writes.size(), 9u);  // three channels per strip, never the fourth plane
    EXPECT_EQ(host_->lastCall().progress, (Progress{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_FALSE(documentUnchanged());
}

TEST_F(FilterDriverTest, MarginRowsAreReadAboveAndBelowButWrittenOnce) {
    open(makeDocument(plugInModeRGBColor, 30, 600));
    ASSERT_EQ(replayStart(10.0, 0.5), noErr);
    EXPECT_EQ(readsOf(0), (Rects{{0, 0, 266, 30}, {246, 0, 522, 30}, {502, 0, 600, 30}}));
    expectSameReadsForEveryChannel(3);
    EXPECT_EQ(writesOfFirstChannel(),
              (Rects{{0, 0, 256, 30}, {256, 0, 512, 30}, {512, 0, 600, 30}}));
    EXPECT_EQ(host_->lastCall().progress, (Progress{{1, 3}, {2, 3}, {3, 3}}));
}

TEST_F(FilterDriverTest, MatteBlurAloneSetsTheMargin) {
    open(makeDocument(plugInModeGrayScale, 8, 300));
    ASSERT_EQ(replayStart(0.0, 3.2), noErr);
    EXPECT_EQ(readsOf(0), (Rects{{0, 0, 260, 8}, {252, 0, 300, 8}}));
}

TEST_F(FilterDriverTest, SelectionReadsContextAboveButNothingBelowItsBottom) {
    open(makeDocument(plugInModeRGBColor, 40, 700, test::Fill::noise));
    const VRect area{50, 5, 650, 35};
    host_->setFilterRect(area);
    ASSERT_EQ(replayStart(10.0, 0.0), noErr);
    EXPECT_EQ(readsOf(0), (Rects{{40, 5, 316, 35}, {296, 5, 572, 35}, {552, 5, 650, 35}}));
    expectSameReadsForEveryChannel(3);
    EXPECT_EQ(writesOfFirstChannel(),
              (Rects{{50, 5, 306, 35}, {306, 5, 562, 35}, {562, 5, 650, 35}}));

    // Pixels outside the area are untouched; inside, the light changed something.
    bool changedInside = false;
    const PlanarDocument& now = host_->document();
    for (size_t p = 0; p < now.planes.size(); ++p) {
        for (int32_t y = 0; y < now.height; ++y) {
            for (int32_t x = 0; x < now.width; ++x) {
                const size_t i = static_cast<size_t>(y) * static_cast<size_t>(now.width) +
                                 static_cast<size_t>(x);
                const bool inside =
                    y >= area.top && y < area.bottom && x >= area.left && x < area.right;
                if (!inside) {
                    ASSERT_EQ(now.planes[p][i], original_.planes[p][i])
                        << "plane " << p << " at " << x << "," << y;
                } else if (now.planes[p][i] != original_.planes[p][i]) {
                    changedInside = true;
                }
            }
        }
    }
    EXPECT_TRUE(changedInside);
}

TEST_F(FilterDriverTest, MarginIsCutAtTheTopOfTheImage) {
    open(makeDocument(plugInModeGrayScale, 10, 300));
    host_->setFilterRect({4, 0, 300, 10});
    ASSERT_EQ(replayStart(10.0, 0.0), noErr);
    EXPECT_EQ(readsOf(0), (Rects{{0, 0, 270, 10}, {250, 0, 300, 10}}));
    EXPECT_EQ(writesOfFirstChannel(), (Rects{{4, 0, 260, 10}, {260, 0, 300, 10}}));
}

TEST_F(FilterDriverTest, AbortAfterTheFirstStripStops) {
    open(makeDocument(plugInModeRGBColor, 16, 600));
    int polls = 0;
    host_->setAbortHandler([&] { return ++polls >= 1; });
    EXPECT_EQ(replayStart(0.0, 0.0), userCanceledErr);
    EXPECT_EQ(host_->lastCall().progress, (Progress{{1, 3}}));
    EXPECT_EQ(readsOf(0), (Rects{{0, 0, 256, 16}}));
    EXPECT_EQ(polls, 1);
    EXPECT_TRUE(documentUnchanged());
    EXPECT_EQ(globals().showDialog, 0);
}

TEST_F(FilterDriverTest, RunsWithoutProgressAndAbortProcedures) {
    open(makeDocument(plugInModeCMYKColor, 16, 300));
    host_->setRecordHook([](FilterRecord& record) {
        WriteSpy::install(record);
        record.progressProc = nullptr;
        record.abortProc = nullptr;
    });
    bool polled = false;
    host_->setAbortHandler([&] {
        polled = true;
        return true;
    });
    EXPECT_EQ(replayStart(2.0, 0.0), noErr);
    EXPECT_TRUE(host_->lastCall().progress.empty());
    EXPECT_FALSE(polled);
    EXPECT_EQ(readsOf(0).size(), 2u);
    expectSameReadsForEveryChannel(4);
    EXPECT_FALSE(documentUnchanged());
}

TEST_F(FilterDriverTest, EmptyAreaReadsNothingAndReportsNoProgress) {
    open(makeDocument(plugInModeRGBColor, 16, 40));
    for (const VRect& area : {VRect{10, 0, 10, 16}, VRect{0, 7, 40, 7}}) {
        host_->setFilterRect(area);
        EXPECT_EQ(replayStart(10.0, 0.0), noErr);
        EXPECT_TRUE(host_->lastCall().progress.empty());
        EXPECT_EQ(host_->ports().reads(), 0);
        EXPECT_TRUE(WriteSpy::writes.empty());
        EXPECT_TRUE(documentUnchanged());
    }
}

TEST_F(FilterDriverTest, ExhaustedBufferMemoryGivesMemFull) {
    open(makeDocument(plugInModeRGBColor, 100, 600));
    host_->setBufferLimit(1000);
    EXPECT_EQ(replayStart(10.0, 0.0), memFullErr);
    EXPECT_EQ(host_->ports().reads(), 0);
    EXPECT_TRUE(host_->lastCall().progress.empty());
    EXPECT_EQ(host_->buffers().liveBytes(), 0u);
    EXPECT_TRUE(documentUnchanged());

    // The strip buffer fits but the render's own images do not.
    host_->setBufferLimit(4 * 100 * (256 + 20) + 100);
    EXPECT_EQ(replayStart(10.0, 0.0), memFullErr);
    EXPECT_GT(host_->ports().reads(), 0);
    EXPECT_EQ(host_->buffers().liveBytes(), 0u);
    EXPECT_TRUE(documentUnchanged());
}

TEST_F(FilterDriverTest, WithheldSuitesGiveHostInsufficient) {
    // Refused by the one-time check.
    for (const char* suite : {kPSBufferSuite, kPSChannelPortsSuite}) {
        open(makeDocument(plugInModeGrayScale, 16, 16), ModuleLoader::Copy::fresh);
        host_->withholdSuite(suite);
        EXPECT_EQ(replayStart(0.0, 0.0), errPlugInHostInsufficient) << suite;
        EXPECT_EQ(host_->ports().reads(), 0);
    }
    // Refused later, after the check passed.
    for (const char* suite : {kPSBufferSuite, kPSChannelPortsSuite, kPSColorSpaceSuite}) {
        open(makeDocument(plugInModeGrayScale, 16, 300), ModuleLoader::Copy::fresh);
        ASSERT_EQ(call(filterSelectorPrepare), noErr);
        host_->withholdSuite(suite);
        EXPECT_EQ(replayStart(0.0, 0.0), errPlugInHostInsufficient) << suite;
        EXPECT_TRUE(host_->lastCall().progress.empty()) << suite;
        EXPECT_TRUE(WriteSpy::writes.empty()) << suite;
        EXPECT_EQ(host_->buffers().liveBytes(), 0u) << suite;
        EXPECT_TRUE(documentUnchanged());
    }
}

TEST_F(FilterDriverTest, UnsupportedDepthOrModeIsRefusedBeforeAnyBuffer) {
    open(makeDocument(plugInModeRGBColor, 16, 16));
    // Any buffer asked for would fail with -108; the refusal comes first.
    host_->setBufferLimit(0);
    host_->setRecordHook([](FilterRecord& record) { record.depth = 16; });
    EXPECT_EQ(replayStart(0.0, 0.0), errPlugInHostInsufficient);
    EXPECT_EQ(host_->ports().reads(), 0);
    host_->setRecordHook([](FilterRecord& record) { record.imageMode = plugInModeIndexedColor; });
    EXPECT_EQ(replayStart(0.0, 0.0), errPlugInHostInsufficient);
    EXPECT_EQ(host_->ports().reads(), 0);
    // A mode whose channel count does not match the channel list.
    host_->setRecordHook([](FilterRecord& record) { record.imageMode = plugInModeGrayScale; });
    EXPECT_EQ(replayStart(0.0, 0.0), errPlugInHostInsufficient);
    EXPECT_EQ(host_->ports().reads(), 0);
    EXPECT_TRUE(documentUnchanged());
}

TEST_F(FilterDriverTest, StartClearsShowDialog) {
    open(makeDocument(plugInModeGrayScale, 16, 16));
    // Replayed silently.
    EXPECT_EQ(replayStart(1.0, 0.0), noErr);
    EXPECT_EQ(globals().showDialog, 0);

    // After the parameters selector, with nothing to replay (the dialog runs).
    EXPECT_EQ(call(filterSelectorParameters), noErr);
    EXPECT_EQ(globals().showDialog, 1);
    session_.services->descriptors().forget();
    EXPECT_EQ(call(filterSelectorStart), noErr);
    EXPECT_EQ(globals().showDialog, 0);

    // After the parameters selector with a replayed step.
    EXPECT_EQ(call(filterSelectorParameters), noErr);
    EXPECT_EQ(replayStart(1.0, 0.0), noErr);
    EXPECT_EQ(globals().showDialog, 0);
}

}  // namespace
}  // namespace brivo
