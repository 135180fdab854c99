// The renderer as the dialog drives it (cacheResults true): which changes reuse the cached
// matte, mask and placed shape, which rebuild them, and that reuse never changes a result.
// Reuse is observed through the Buffer suite: every image the renderer makes is a block
// lent by the host, so a stage that runs allocates and a stage that is reused does not.
#include "render/light_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "filter_record.h"
#include "host/color/color_service.h"
#include "host/color/colorspace_suite.h"
#include "host/files/image_file.h"
#include "host/runtime/buffer_suite.h"
#include "host/runtime/call_binding.h"
#include "host/runtime/suite_registry.h"
#include "image/host_document.h"
#include "render/matte.h"
#include "render/shape_blend.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

const std::string kPatternPath = std::string(BRIVO_SOURCE_DIR) + "/patterns/window_panes.png";

// A Buffer-suite table in front of the host's that counts the blocks it lends and takes back.
struct CountingBuffers {
    static inline int64_t lent = 0;
    static inline int64_t returned = 0;

    static host::BufferSuite& suite() { return *host::CallBinding<host::BufferSuite>::current(); }
    static void* allocate(uint64_t size) noexcept {
        void* block = suite().allocate(size);
        if (block != nullptr) ++lent;
        return block;
    }
    static void dispose(void* block) noexcept {
        if (block != nullptr) ++returned;
        suite().release(block);
    }
    static uint64_t space() noexcept { return suite().space(); }
    static inline const PSBufferSuite1 table{&allocate, &dispose, &space};
};

// The services the renderer reaches: buffers (counted) and the colour suite, for one mode.
struct RenderHost {
    explicit RenderHost(int32_t imageMode) : colors(host::ColorService(imageMode, {})) {
        suites.add(kPSBufferSuite, kPSBufferSuiteVersion1, &CountingBuffers::table);
        suites.add(kPSColorSpaceSuite, kPSColorSpaceSuiteVersion1, colors.table());
        record.sSPBasic = suites.basicSuite();
        record.imageMode = static_cast<int16_t>(imageMode);
        document.emplace(&record);
        CountingBuffers::lent = CountingBuffers::returned = 0;
    }
    host::SuiteRegistry suites;
    host::BufferSuite buffers;
    host::ColorSpaceSuite colors;
    host::CallBinding<host::SuiteRegistry> suiteBinding{suites};
    host::CallBinding<host::BufferSuite> bufferBinding{buffers};
    host::CallBinding<host::ColorSpaceSuite> colorBinding{colors};
    FilterRecord record{};
    std::optional<HostDocument> document;
};

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const HostImage& image) {
    return Bytes(image.data, image.data + image.byteCount());
}

int32_t planesFor(int32_t mode) {
    return mode == plugInModeGrayScale ? 1 : 4;
}

class LightRendererTest : public ::testing::Test {
  protected:
    explicit LightRendererTest(int32_t mode = plugInModeRGBColor) : host_(mode), mode_(mode) {}

    void TearDown() override {
        // Every image the renderers made has been given back.
        sources_.clear();
        EXPECT_EQ(host_.document->liveBuffers(), 0);
        EXPECT_EQ(host_.buffers.liveBuffers(), 0);
        EXPECT_EQ(host_.colors.liveColors(), 0);
    }

    // A noisy source whose values cover the matte's band densely.
    ImageHandle makeSource(int32_t width, int32_t height, uint32_t seed = 7) {
        ImageHandle image = document().allocateBuffer(width, height, planesFor(mode_), 1,
                                                      static_cast<uint16_t>(mode_));
        std::mt19937 random(seed);
        for (uint64_t i = 0; i < image->byteCount(); ++i)
            image->data[i] = static_cast<uint8_t>(random());
        sources_.push_back(image);
        return image;
    }
    ImageHandle copyOf(const HostImage& image) {
        ImageHandle copy = image.makeSameFormat(image.width(), image.height());
        copy->copyPixelsFrom(image);
        return copy;
    }

    // The dialog's preview: prepare at the preview's size, then light a copy of it.
    Bytes preview(LightRenderer& renderer, const HostImage& source) {
        renderer.prepare(source.width(), source.height());
        ImageHandle copy = copyOf(source);
        renderer.renderStrip(*copy, VRect{0, 0, source.height(), source.width()});
        return bytesOf(*copy);
    }
    // The same preview from a renderer with nothing cached yet.
    Bytes freshPreview(const FilterParameters& params, const HostImage& source) {
        LightRenderer fresh(document(), &params, true);
        return preview(fresh, source);
    }
    // Blocks lent while running f; blocks still held afterwards are counted separately.
    struct Traffic {
        int64_t lent;
        int64_t returned;
    };
    Traffic trafficOf(const std::function<void()>& f) {
        const int64_t lent = CountingBuffers::lent;
        const int64_t returned = CountingBuffers::returned;
        f();
        return {CountingBuffers::lent - lent, CountingBuffers::returned - returned};
    }

    static FilterParameters withShape() {
        FilterParameters p;
        p.shapeFile.assign(kPatternPath);
        p.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Add);
        p.shapeRotate = 30.0;
        return p;
    }
    static FilterParameters withoutShape() {
        FilterParameters p;
        p.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::None);
        return p;
    }

    HostDocument& document() { return *host_.document; }

    RenderHost host_;
    int32_t mode_;
    std::vector<ImageHandle> sources_;
};

struct Change {
    const char* name;
    std::function<void(FilterParameters&)> apply;
};

const std::vector<Change>& lightChanges() {
    static const std::vector<Change> changes = {
        {"lightColor",
         [](FilterParameters& p) {
             p.lightColor[0] = 9000;
             p.lightColor[2] = 20000;
         }},
        {"lightBrightness", [](FilterParameters& p) { p.lightBrightness = 250.0; }},
        {"lightBlendMode",
         [](FilterParameters& p) {
             p.lightBlendMode = static_cast<int32_t>(LightBlendMode::Screen);
         }},
        {"lightSource",
         [](FilterParameters& p) {
             p.lightSource = static_cast<int32_t>(
                 p.source() == LightSource::Image ? LightSource::Matte : LightSource::Image);
         }},
        {"lightBlur", [](FilterParameters& p) { p.lightBlur = p.lightBlur == 0.0 ? 4.0 : 0.0; }},
    };
    return changes;
}

// Light colour, brightness, blend mode, source and blur are applied after the mask: changing
// them lends only what compositing needs (a light image, or a copy of the cached mask to
// blur) and gives the same pixels as a renderer that starts from nothing.
TEST_F(LightRendererTest, LightSettingsReuseTheCachedMaskOrMatte) {
    const ImageHandle source = makeSource(64, 48);
    for (const bool shape : {true, false}) {
        for (const LightSource start : {LightSource::Matte, LightSource::Image}) {
            for (const double blur : {0.0, 3.0}) {
                for (const Change& change : lightChanges()) {
                    SCOPED_TRACE(testing::Message() << change.name << (shape ? " with" : " without")
                                                    << " shape, source " << static_cast<int>(start)
                                                    << ", blur " << blur);
                    FilterParameters params = shape ? withShape() : withoutShape();
                    params.lightSource = static_cast<int32_t>(start);
                    params.lightBlur = blur;
                    LightRenderer renderer(document(), &params, true);
                    preview(renderer, *source);
                    change.apply(params);

                    const ImageHandle copy = copyOf(*source);
                    const Traffic traffic = trafficOf([&] {
                        renderer.prepare(source->width(), source->height());
                        renderer.renderStrip(*copy, VRect{0, 0, 48, 64});
                    });
                    // The renderer keeps its light image from one render to the next, so
                    // one is lent only when the first render had none; a blurred copy of a
                    // cached matte or mask is lent and returned within the render.
                    const bool needsImage = params.source() == LightSource::Image;
                    const bool newImage = needsImage && start == LightSource::Matte;
                    const bool needsBlurCopy = !needsImage && params.lightBlur != 0.0;
                    EXPECT_EQ(traffic.lent, (newImage || needsBlurCopy) ? 1 : 0);
                    EXPECT_EQ(traffic.returned, needsBlurCopy ? 1 : 0);
                    EXPECT_EQ(bytesOf(*copy), freshPreview(params, *source));
                }
            }
        }
    }
}

// A matte setting rebuilds the matte (and, with a shape, the mask) but not the placed shape;
// a shape setting re-places the shape.
TEST_F(LightRendererTest, MatteSettingsRebuildTheMatteOnly) {
    const ImageHandle source = makeSource(64, 48);
    const std::vector<Change> matteChanges = {
        {"matteChannel",
         [](FilterParameters& p) { p.matteChannel = static_cast<int32_t>(MatteChannel::Red); }},
        {"mattePosition", [](FilterParameters& p) { p.mattePosition = 30.0; }},
        {"matteRange", [](FilterParameters& p) { p.matteRange = 40.0; }},
        {"matteBlur", [](FilterParameters& p) { p.matteBlur = 2.5; }},
    };
    for (const bool shape : {true, false}) {
        for (const Change& change : matteChanges) {
            SCOPED_TRACE(testing::Message()
                         << change.name << (shape ? " with" : " without") << " shape");
            FilterParameters params = shape ? withShape() : withoutShape();
            params.lightSource = static_cast<int32_t>(LightSource::Matte);
            params.lightBlur = 0.0;
            LightRenderer renderer(document(), &params, true);
            const Bytes before = preview(renderer, *source);
            change.apply(params);
            Bytes after;
            const Traffic traffic = trafficOf([&] { after = preview(renderer, *source); });
            // The copy of the source, the new matte and, with a shape, the new mask.
            const int64_t built = shape ? 2 : 1;
            EXPECT_EQ(traffic.lent, 1 + built);
            EXPECT_EQ(traffic.returned, 1 + built);  // the copy and the replaced cache entries
            EXPECT_NE(after, before);
            EXPECT_EQ(after, freshPreview(params, *source));
        }
    }

    // A shape setting costs more than the matte: the placement runs again.
    FilterParameters params = withShape();
    params.lightSource = static_cast<int32_t>(LightSource::Matte);
    params.lightBlur = 0.0;
    LightRenderer renderer(document(), &params, true);
    preview(renderer, *source);
    params.shapeRotate = 45.0;
    Bytes after;
    const Traffic traffic = trafficOf([&] { after = preview(renderer, *source); });
    EXPECT_GT(traffic.lent, 2);
    EXPECT_EQ(after, freshPreview(params, *source));
}

TEST_F(LightRendererTest, UnchangedSettingsRebuildNothing) {
    const ImageHandle source = makeSource(40, 30);
    for (const bool shape : {true, false}) {
        FilterParameters params = shape ? withShape() : withoutShape();
        params.lightSource = static_cast<int32_t>(LightSource::Matte);
        params.lightBlur = 0.0;
        LightRenderer renderer(document(), &params, true);
        const Bytes first = preview(renderer, *source);
        Bytes second;
        const Traffic traffic = trafficOf([&] { second = preview(renderer, *source); });
        EXPECT_EQ(traffic.lent, 1) << "only the preview's copy";
        EXPECT_EQ(second, first);
    }
}

// A dialog session: one renderer lives through a series of edits, and after each the
// preview equals a fresh renderer's, whatever was cached on the way (switching the shape
// off and on again while the matte changed in between included).
TEST_F(LightRendererTest, EveryPreviewOfAnEditingSessionMatchesAFreshRender) {
    const ImageHandle source = makeSource(56, 40);
    FilterParameters params = withShape();
    params.lightSource = static_cast<int32_t>(LightSource::Matte);
    params.lightBlur = 2.0;
    const std::vector<Change> edits = {
        {"start", [](FilterParameters&) {}},
        {"shape off",
         [](FilterParameters& p) {
             p.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::None);
         }},
        {"matteRange", [](FilterParameters& p) { p.matteRange = 45.0; }},
        {"shape on",
         [](FilterParameters& p) { p.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Add); }},
        {"shape Only",
         [](FilterParameters& p) {
             p.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Only);
         }},
        {"mattePosition", [](FilterParameters& p) { p.mattePosition = 35.0; }},
        {"shape Screen",
         [](FilterParameters& p) {
             p.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Screen);
         }},
        {"shapeOpacity", [](FilterParameters& p) { p.shapeOpacity = 40.0; }},
        {"lightDisplacement", [](FilterParameters& p) { p.lightDisplacement = 15.0; }},
        {"no file", [](FilterParameters& p) { p.shapeFile = ShapePath(); }},
        {"matteBlur", [](FilterParameters& p) { p.matteBlur = 3.0; }},
        {"file again", [](FilterParameters& p) { p.shapeFile.assign(kPatternPath); }},
        {"shapeScaleX", [](FilterParameters& p) { p.shapeScaleX = 60.0; }},
        {"image light",
         [](FilterParameters& p) { p.lightSource = static_cast<int32_t>(LightSource::Image); }},
    };
    LightRenderer renderer(document(), &params, true);
    for (const Change& edit : edits) {
        SCOPED_TRACE(edit.name);
        edit.apply(params);
        EXPECT_EQ(preview(renderer, *source), freshPreview(params, *source));
    }
}

// A preview of another size rebuilds the matte and mask although no setting changed.
TEST_F(LightRendererTest, PreviewOfAnotherSizeRebuildsTheMask) {
    const ImageHandle small = makeSource(48, 36, 1);
    const ImageHandle large = makeSource(64, 48, 2);
    for (const bool shape : {true, false}) {
        SCOPED_TRACE(shape ? "with shape" : "without shape");
        FilterParameters params = shape ? withShape() : withoutShape();
        params.lightSource = static_cast<int32_t>(LightSource::Matte);
        params.lightBlur = 0.0;
        LightRenderer renderer(document(), &params, true);
        EXPECT_EQ(preview(renderer, *small), freshPreview(params, *small));
        Bytes result;
        const Traffic traffic = trafficOf([&] { result = preview(renderer, *large); });
        EXPECT_GT(traffic.lent, 1);
        EXPECT_EQ(result, freshPreview(params, *large));
        // And back: the small preview is rebuilt, not served from a stale entry.
        EXPECT_EQ(preview(renderer, *small), freshPreview(params, *small));
    }
}

// The light blur works on a copy of a cached image: rendering twice gives the same pixels,
// and the mask view is the same before and after a render.
TEST_F(LightRendererTest, LightBlurNeverAltersACachedImage) {
    const ImageHandle source = makeSource(64, 48);
    for (const bool shape : {true, false}) {
        SCOPED_TRACE(shape ? "with shape" : "without shape");
        FilterParameters params = shape ? withShape() : withoutShape();
        params.lightSource = static_cast<int32_t>(LightSource::Matte);
        params.lightBlur = 10.0;
        LightRenderer renderer(document(), &params, true);
        renderer.prepare(64, 48);
        ImageHandle maskBefore = document().allocateBuffer(64, 48, 1, 1, plugInModeGrayScale);
        ImageHandle maskAfter = document().allocateBuffer(64, 48, 1, 1, plugInModeGrayScale);
        renderer.previewMask(*source, *maskBefore);
        const Bytes first = preview(renderer, *source);
        const Bytes second = preview(renderer, *source);
        renderer.previewMask(*source, *maskAfter);
        EXPECT_EQ(first, second);
        EXPECT_EQ(first, freshPreview(params, *source));
        EXPECT_EQ(bytesOf(*maskBefore), bytesOf(*maskAfter));
    }
}

// With no matte and no shape there is no mask: the mask view is black and the image stays.
TEST_F(LightRendererTest, OnlyWithoutAShapeFileHasNoMask) {
    const ImageHandle source = makeSource(32, 24);
    FilterParameters params;
    params.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Only);
    for (const LightSource light : {LightSource::Matte, LightSource::Image}) {
        params.lightSource = static_cast<int32_t>(light);
        for (const bool cached : {true, false}) {
            LightRenderer renderer(document(), &params, cached);
            renderer.prepare(32, 24);
            ImageHandle out = document().allocateBuffer(32, 24, 1, 1, plugInModeGrayScale);
            std::memset(out->data, 0x5a, out->byteCount());
            renderer.previewMask(*source, *out);
            EXPECT_EQ(bytesOf(*out), Bytes(out->byteCount(), 0));
            EXPECT_EQ(preview(renderer, *source), bytesOf(*source));
        }
    }
}

// Without a light blur the light is the unblurred matte: every pixel follows from its own
// value alone (no neighbour reaches it), and no copy of the cached matte is made.
TEST_F(LightRendererTest, NoLightBlurRunsNoBlur) {
    RenderHost grayHost(plugInModeGrayScale);
    HostDocument& gray = *grayHost.document;
    ImageHandle source = gray.allocateBuffer(64, 48, 1, 1, plugInModeGrayScale);
    std::mt19937 random(3);
    for (uint64_t i = 0; i < source->byteCount(); ++i)
        source->data[i] = static_cast<uint8_t>(random());
    const Bytes original = bytesOf(*source);

    FilterParameters params = withoutShape();
    params.lightSource = static_cast<int32_t>(LightSource::Matte);
    params.lightBlur = 0.0;
    LightRenderer renderer(gray, &params, true);
    renderer.prepare(64, 48);
    renderer.renderStrip(*source, VRect{0, 0, 48, 64});  // fills the cache
    std::memcpy(source->data, original.data(), original.size());
    const int64_t lent = CountingBuffers::lent;
    renderer.renderStrip(*source, VRect{0, 0, 48, 64});
    EXPECT_EQ(CountingBuffers::lent, lent);

    const uint8_t* curve = renderer.matteCurve();
    const int k = renderer.lightColorBytes()[0];
    for (size_t i = 0; i < original.size(); ++i) {
        const int d = original[i];
        const int t = curve[d] * 255 / 255;
        ASSERT_EQ(source->data[i], std::min(255, d + t * k / 255)) << "pixel " << i;
    }
    source.release();
}

// shapeBlendMode None uses the matte alone: the shape file is never opened, so a missing
// file and a real one render alike, and no pattern is decoded.
TEST_F(LightRendererTest, ShapeModeNoneReadsNoPattern) {
    const ImageHandle source = makeSource(48, 36);
    FilterParameters none = withoutShape();
    const Bytes expected = freshPreview(none, *source);
    for (const char* path : {"/nonexistent/dir/no_such_pattern.png", kPatternPath.c_str()}) {
        SCOPED_TRACE(path);
        FilterParameters params = none;
        params.shapeFile.assign(path);
        for (const bool cached : {true, false}) {
            LightRenderer renderer(document(), &params, cached);
            Bytes result;
            const Traffic traffic = trafficOf([&] { result = preview(renderer, *source); });
            // The preview's copy, the matte and the light image: nothing for a pattern.
            EXPECT_EQ(traffic.lent, 3);
            EXPECT_EQ(result, expected);
        }
    }
}

// A shape file that cannot be read gives no shape: the mask is the matte, as without a file.
TEST_F(LightRendererTest, MissingShapeFileFallsBackToTheMatte) {
    const ImageHandle source = makeSource(48, 36);
    FilterParameters params = withShape();
    params.shapeFile.assign("/nonexistent/dir/no_such_pattern.png");
    FilterParameters plain = params;
    plain.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::None);
    for (const bool cached : {true, false}) {
        LightRenderer renderer(document(), &params, cached);
        EXPECT_EQ(preview(renderer, *source), freshPreview(plain, *source));
    }
}

// Values no dialog would give (they can arrive from a recorded descriptor) must render
// without crashing or touching memory outside the images.
TEST_F(LightRendererTest, NonFiniteAndHugeValuesRenderSafely) {
    const ImageHandle source = makeSource(24, 18);
    using Field = std::function<void(FilterParameters&, double)>;
    const std::vector<std::pair<const char*, Field>> fields = {
        {"lightBrightness", [](FilterParameters& p, double v) { p.lightBrightness = v; }},
        {"lightBlur", [](FilterParameters& p, double v) { p.lightBlur = v; }},
        {"lightDisplacement", [](FilterParameters& p, double v) { p.lightDisplacement = v; }},
        {"matteBlur", [](FilterParameters& p, double v) { p.matteBlur = v; }},
        {"mattePosition", [](FilterParameters& p, double v) { p.mattePosition = v; }},
        {"matteRange", [](FilterParameters& p, double v) { p.matteRange = v; }},
        {"shapeOpacity", [](FilterParameters& p, double v) { p.shapeOpacity = v; }},
        {"shapeRotate", [](FilterParameters& p, double v) { p.shapeRotate = v; }},
        {"shapeScaleX", [](FilterParameters& p, double v) { p.shapeScaleX = v; }},
        {"shapeBlurX", [](FilterParameters& p, double v) { p.shapeBlurX = v; }},
        {"shapePosY", [](FilterParameters& p, double v) { p.shapePosY = v; }},
        {"cornerPin[1].x", [](FilterParameters& p, double v) { p.cornerPin[1].x = v; }},
        {"cornerPin[2].y", [](FilterParameters& p, double v) { p.cornerPin[2].y = v; }},
        {"cornerPin[0] both",
         [](FilterParameters& p, double v) {
             p.cornerPin[0] = {v, v};
         }},
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e30, -1e30};
    for (const auto& [name, set] : fields) {
        for (const double value : values) {
            for (const LightSource light : {LightSource::Matte, LightSource::Image}) {
                SCOPED_TRACE(testing::Message()
                             << name << " = " << value << ", source " << static_cast<int>(light));
                FilterParameters params = withShape();
                params.lightSource = static_cast<int32_t>(light);
                params.lightBlur = 2.0;
                set(params, value);
                for (const bool cached : {true, false}) {
                    LightRenderer renderer(document(), &params, cached);
                    const Bytes once = preview(renderer, *source);
                    if (!std::isnan(value)) {
                        // A NaN setting never equals itself, so only finite-or-infinite
                        // settings are expected to render the same twice.
                        EXPECT_EQ(preview(renderer, *source), once);
                    }
                    ImageHandle mask = document().allocateBuffer(24, 18, 1, 1, plugInModeGrayScale);
                    renderer.previewMask(*source, *mask);
                }
            }
        }
    }
}

// A proxy at the document's own size is rendered exactly as the filtering run renders the
// document, whatever the shape settings, also for a pattern smaller than the document; a
// half-size proxy places the shape where the full render does, at half size.
TEST_F(LightRendererTest, ProxyFollowsTheFilteringRunsPlacement) {
    test::TempDir folder;
    host::PlanarDocument small = host::makePlanarDocument(23, 17, plugInModeGrayScale);
    for (int32_t y = 0; y < 17; ++y)
        for (int32_t x = 0; x < 23; ++x)
            small.planes[0][static_cast<size_t>(y * 23 + x)] = static_cast<uint8_t>(x * 11 + y * 5);
    const std::string patternPath = (folder / "small.png").string();
    host::writeImageFile(small, patternPath);

    const ImageHandle source = makeSource(61, 45);
    const std::vector<Change> shapes = {
        {"placed as it is", [](FilterParameters&) {}},
        {"scaled", [](FilterParameters& p) { p.shapeScaleX = 170.0, p.shapeScaleY = 60.0; }},
        {"blurred", [](FilterParameters& p) { p.shapeBlurX = 3.0, p.shapeBlurY = 1.5; }},
        {"rotated", [](FilterParameters& p) { p.shapeRotate = -33.0; }},
        {"moved", [](FilterParameters& p) { p.shapePosX = 20.0, p.shapePosY = -15.0; }},
        {"corner pinned",
         [](FilterParameters& p) {
             p.cornerPin[1] = CornerPoint{0.9, 0.1};
             p.cornerPin[3] = CornerPoint{0.2, 0.8};
         }},
        {"displaced", [](FilterParameters& p) { p.lightDisplacement = 12.0; }},
    };
    FilterParameters params;
    params.shapeFile.assign(patternPath);
    params.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Screen);
    params.lightSource = static_cast<int32_t>(LightSource::Matte);
    for (const Change& change : shapes) {
        SCOPED_TRACE(change.name);
        change.apply(params);  // the settings accumulate: the last case has them all
        LightRenderer filtering(document(), &params, false);
        filtering.prepare(61, 45);
        ImageHandle expected = copyOf(*source);
        filtering.renderStrip(*expected, VRect{0, 0, 45, 61});

        LightRenderer dialog(document(), &params, true);
        dialog.setProxyScale(61, 45, 61, 45);
        EXPECT_EQ(preview(dialog, *source), bytesOf(*expected));
    }

    // Half size: the shape view of the proxy sits where the document's shape sits.
    params = FilterParameters();
    params.shapeFile.assign(patternPath);
    params.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Only);
    params.shapeScaleX = params.shapeScaleY = 200.0;
    const ImageHandle proxy = makeSource(60, 40);
    ImageHandle shape = document().allocateBuffer(60, 40, 1, 1, plugInModeGrayScale);
    LightRenderer dialog(document(), &params, true);
    dialog.setProxyScale(60, 40, 120, 80);
    dialog.prepare(60, 40);
    dialog.previewShape(*proxy, *shape);
    // The 46 × 34 pattern centred on 120 × 80 covers 37..83 × 23..57; halved, 18..41 × 11..28.
    auto at = [&](int32_t x, int32_t y) { return shape->data[y * shape->rowBytes + x]; };
    EXPECT_EQ(at(17, 20), 0);
    EXPECT_EQ(at(42, 20), 0);
    EXPECT_EQ(at(30, 10), 0);
    EXPECT_EQ(at(30, 29), 0);
    EXPECT_NE(at(35, 20), 0);
    EXPECT_NE(at(30, 27), 0);
}

class LightRendererModeTest : public LightRendererTest,
                              public ::testing::WithParamInterface<int32_t> {
  protected:
    LightRendererModeTest() : LightRendererTest(GetParam()) {}
};

// The fourth RGB byte is never touched, and Gray and CMYK sources render like RGB ones
// as far as reuse goes.
TEST_P(LightRendererModeTest, CachedAndUncachedRenderAlikeInEveryMode) {
    const ImageHandle source = makeSource(40, 30);
    for (const LightSource light : {LightSource::Matte, LightSource::Image}) {
        FilterParameters params = withoutShape();
        params.lightSource = static_cast<int32_t>(light);
        params.matteBlur = 1.5;
        LightRenderer cached(document(), &params, true);
        LightRenderer uncached(document(), &params, false);
        const Bytes a = preview(cached, *source);
        const Bytes b = preview(cached, *source);
        const Bytes c = preview(uncached, *source);
        EXPECT_EQ(a, b);
        EXPECT_EQ(a, c);
        EXPECT_NE(a, bytesOf(*source));
        if (mode_ == plugInModeRGBColor) {
            for (size_t i = 3; i < a.size(); i += 4)
                ASSERT_EQ(a[i], source->data[i]) << "pixel " << i / 4;
        }
    }
}

// With displacement, the mask equals its parts built apart: the shape displaced by the
// source's luminance, blended with the matte taken from the source. A Luminance matte reads
// the luminance the displacement reads; another channel reads the source.
TEST_P(LightRendererModeTest, DisplacedMaskEqualsItsPartsBuiltApart) {
    constexpr int32_t kWidth = 64;
    constexpr int32_t kHeight = 48;
    const ImageHandle source = makeSource(kWidth, kHeight);
    const VRect rect{0, 0, kHeight, kWidth};
    const auto grey = [&] {
        return document().allocateBuffer(kWidth, kHeight, 1, 1, plugInModeGrayScale);
    };
    for (const MatteChannel channel : {MatteChannel::Luminance, MatteChannel::Red}) {
        for (const bool cache : {false, true}) {
            FilterParameters params = withShape();
            params.lightDisplacement = 35.0;
            params.matteChannel = static_cast<int32_t>(channel);
            params.mattePosition = 45.0;
            params.matteRange = 60.0;
            params.matteBlur = 0.0;
            LightRenderer renderer(document(), &params, cache);
            renderer.prepare(kWidth, kHeight);
            const ImageHandle mask = grey();
            renderer.lightMaskOf(*source, rect, *mask);

            const ImageHandle parts = grey();
            renderer.placedShapeOf(*source, rect, *parts);
            const ImageHandle matte = grey();
            PixelView matteView = matte->view();
            extractMatte(source->view(), mode_, params.matteChannel, renderer.matteCurve(),
                         matteView);
            blendShape(parts->view(), matte->view(), params.shapeBlendMode, params.shapeOpacity);
            const Bytes expected = bytesOf(*parts);
            EXPECT_NE(std::count(expected.begin(), expected.end(), expected[0]),
                      static_cast<std::ptrdiff_t>(expected.size()));
            EXPECT_EQ(bytesOf(*mask), expected)
                << "channel " << static_cast<int32_t>(channel) << (cache ? " cached" : "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, LightRendererModeTest,
                         ::testing::Values(plugInModeGrayScale, plugInModeRGBColor,
                                           plugInModeCMYKColor));

}  // namespace
}  // namespace brivo
