// The worker pool splits work into bands that cover it exactly once, and the whole filter
// gives the same bytes for every thread count on random settings, sizes, modes and
// selections, shapes and blurs included.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/parameter_table.h"
#include "core/worker_pool.h"
#include "filter_record.h"
#include "host/scripting/descriptor_host.h"
#include "support/host_fixture.h"

namespace brivo {
namespace {

// Sets BRIVO_THREADS for the lifetime of the object.
struct ThreadCount {
    explicit ThreadCount(const char* count) { setenv("BRIVO_THREADS", count, 1); }
    ~ThreadCount() { unsetenv("BRIVO_THREADS"); }
};

TEST(WorkerPool, BandsCoverTheRangeOnceOnGrainEdges) {
    for (const int32_t threads : {1, 2, 3, 7}) {
        WorkerPool pool(threads);
        ActiveWorkers active(pool);
        for (const int32_t count : {0, 1, 5, 31, 32, 100, 1000}) {
            for (const int32_t grain : {1, 8, 64}) {
                std::vector<std::atomic<int>> hits(static_cast<size_t>(count));
                std::atomic<int> bands{0};
                forEachBand(count, grain, 1, [&](int32_t band, int32_t begin, int32_t end) {
                    ASSERT_LT(band, pool.threadCount());
                    ASSERT_LT(begin, end);
                    if (begin != 0) {
                        ASSERT_EQ(begin % grain, 0);
                    }
                    ++bands;
                    for (int32_t i = begin; i < end; ++i) ++hits[static_cast<size_t>(i)];
                });
                for (const std::atomic<int>& hit : hits) ASSERT_EQ(hit, 1);
                EXPECT_LE(bands, pool.threadCount());
            }
        }
    }
}

TEST(WorkerPool, SmallWorkNestedWorkAndNoPoolRunInOnePiece) {
    const auto oneBand = [](int32_t count, int32_t minimum) {
        int calls = 0;
        forEachBand(count, 1, minimum, [&](int32_t band, int32_t begin, int32_t end) {
            EXPECT_EQ(band, 0);
            EXPECT_EQ(begin, 0);
            EXPECT_EQ(end, count);
            ++calls;
        });
        return calls == 1;
    };
    EXPECT_TRUE(oneBand(100, 1));  // no active pool
    WorkerPool pool(4);
    {
        ActiveWorkers active(pool);
        EXPECT_EQ(bandCount(100, 1), 4);
        EXPECT_TRUE(oneBand(31, 16));  // fewer than two bands' worth
        forEachBand(100, 1, 1, [&](int32_t, int32_t, int32_t) {
            EXPECT_EQ(bandCount(100, 1), 1);  // a band never splits again
        });
        EXPECT_EQ(bandCount(100, 1), 4);
    }
    EXPECT_EQ(bandCount(100, 1), 1);
}

TEST(WorkerPool, AFailingBandIsRethrownAfterEveryBandFinished) {
    WorkerPool pool(3);
    ActiveWorkers active(pool);
    std::atomic<int> finished{0};
    EXPECT_THROW(forEachBand(300, 1, 1,
                             [&](int32_t band, int32_t, int32_t) {
                                 if (band == 1) throw std::runtime_error("band");
                                 ++finished;
                             }),
                 std::runtime_error);
    EXPECT_EQ(finished, 2);
    // The pool keeps working after a failure.
    std::atomic<int> ran{0};
    forEachBand(300, 1, 1, [&](int32_t, int32_t, int32_t) { ++ran; });
    EXPECT_EQ(ran, 3);
}

TEST(WorkerPool, ThreadCountComesFromTheEnvironmentOrTheCores) {
    {
        ThreadCount three("3");
        EXPECT_EQ(configuredThreadCount(), 3);
    }
    const int32_t cores = configuredThreadCount();
    EXPECT_GE(cores, 1);
    for (const char* unusable : {"0", "-2", "two", "3x", "65", ""}) {
        ThreadCount count(unusable);
        EXPECT_EQ(configuredThreadCount(), cores) << unusable;
    }
}

host::EnumeratedValue enumerated(const Enumeration& type, std::mt19937& random) {
    return host::EnumeratedValue{type.type,
                                 type.enumerators[random() % type.enumerators.size()].code};
}

double uniform(std::mt19937& random, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
}

// Settings drawn at random over the ranges users reach, a shape in most of them.
host::DescriptorValues randomSettings(std::mt19937& random) {
    host::DescriptorValues values;
    values.put(kKeyLightBlendMode, enumerated(kLightBlendModes, random));
    values.put(kKeyLightSource, enumerated(kLightSources, random));
    values.put(kKeyMatteChannel, enumerated(kMatteChannels, random));
    values.put(kKeyShapeBlendMode, enumerated(kShapeBlendModes, random));
    values.put(kKeyLightBrightness, uniform(random, 0.0, 300.0));
    values.put(kKeyLightBlur, uniform(random, 0.0, 40.0));
    values.put(kKeyMatteBlur, random() % 2 ? uniform(random, 0.0, 20.0) : 0.0);
    values.put(kKeyMattePosition, uniform(random, 0.0, 100.0));
    values.put(kKeyMatteRange, uniform(random, 5.0, 100.0));
    if (random() % 4 != 0) {
        const char* patterns[] = {"window_panes.png", "stripes.png", "soft_spot.jpg"};
        values.put(kKeyShapeFile,
                   std::string(BRIVO_SOURCE_DIR) + "/patterns/" + patterns[random() % 3]);
        values.put(kKeyShapeOpacity, uniform(random, 0.0, 100.0));
        values.put(kKeyShapeRotate, uniform(random, -180.0, 180.0));
        values.put(kKeyShapeBlurX, uniform(random, 0.0, 15.0));
        values.put(kKeyShapeBlurY, uniform(random, 0.0, 15.0));
        values.put(kKeyLightDisplacement, random() % 2 ? uniform(random, -30.0, 30.0) : 0.0);
        values.put(kKeyCorner1X, uniform(random, 0.6, 1.1));
        values.put(kKeyCorner3Y, uniform(random, 0.6, 1.1));
    }
    return values;
}

struct FilterRun {
    int32_t mode;
    int32_t width;
    int32_t height;
    std::optional<VRect> selection;
    host::DescriptorValues settings;
};

auto renderWith(const FilterRun& run, const char* threads) {
    ThreadCount count(threads);
    test::ModuleSession session =
        test::makeHost(test::makeDocument(run.mode, run.width, run.height, test::Fill::noise, false,
                                          static_cast<uint32_t>(run.width)));
    if (run.selection) session->setFilterRect(*run.selection);
    session.services->descriptors().replay(run.settings, plugInDialogSilent);
    EXPECT_EQ(session->call(filterSelectorStart), noErr);
    EXPECT_EQ(session->lastCall().liveBuffers, 0);
    EXPECT_EQ(session->lastCall().outstandingSuites, 0);
    return session->document().planes;
}

TEST(WorkerThreads, EveryThreadCountGivesTheOneThreadBytes) {
    std::mt19937 random(2026);
    const int32_t modes[] = {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor};
    for (int trial = 0; trial < 12; ++trial) {
        FilterRun run;
        run.mode = modes[trial % 3];
        run.width = 40 + static_cast<int32_t>(random() % 300);
        run.height = 30 + static_cast<int32_t>(random() % 600);  // up to three strips
        if (trial % 2 == 1) {
            const int32_t top = static_cast<int32_t>(random() % (run.height / 2));
            const int32_t left = static_cast<int32_t>(random() % (run.width / 2));
            run.selection =
                VRect{top, left, top + 1 + static_cast<int32_t>(random() % (run.height - top)),
                      left + 1 + static_cast<int32_t>(random() % (run.width - left))};
        }
        run.settings = randomSettings(random);
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", mode " << run.mode << ", "
                                        << run.width << " x " << run.height);
        const auto single = renderWith(run, "1");
        for (const char* threads : {"2", "3", "4"})
            ASSERT_EQ(renderWith(run, threads), single) << threads << " threads";
    }
}

}  // namespace
}  // namespace brivo
