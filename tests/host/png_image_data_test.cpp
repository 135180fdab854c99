// PNG image data compressed in pieces on several threads is one valid zlib stream whose
// bytes do not depend on the thread count, passed on in order with the rows it holds; a
// failure anywhere stops every thread; and PNG files written that way at every setting read
// back with the same pixels, the default nearly as small as the slowest setting.
#include "host/files/png_image_data.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/files/image_file.h"
#include "support/sample_images.h"
#include "support/scoped_variable.h"
#include "support/temp_dir.h"

namespace brivo::host {
namespace {

using image_codec::compressPngImageData;
using image_codec::PngRowSource;

// The whole stream, checking that the rows reported never go back and end at `height`.
std::vector<uint8_t> streamOf(size_t height, size_t rowBytes, size_t pixelBytes, int setting,
                              int threads, const PngRowSource& source) {
    std::vector<uint8_t> stream;
    size_t rowsSoFar = 0;
    compressPngImageData(height, rowBytes, pixelBytes, setting, threads, source,
                         [&](std::span<const uint8_t> bytes, size_t rowsDone) {
                             EXPECT_GE(rowsDone, rowsSoFar);
                             rowsSoFar = rowsDone;
                             stream.insert(stream.end(), bytes.begin(), bytes.end());
                         });
    EXPECT_EQ(rowsSoFar, height);
    return stream;
}

// The filtered rows the stream holds; fails the test when zlib refuses the stream (its
// checksum included).
std::vector<uint8_t> inflated(const std::vector<uint8_t>& stream, size_t expectedBytes) {
    std::vector<uint8_t> out(expectedBytes + 1);
    uLongf size = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &size, stream.data(), static_cast<uLong>(stream.size())),
              Z_OK);
    out.resize(size);
    return out;
}

// Rows with repeats near and far (so that matches reach across the joins between pieces)
// and noise.
std::vector<uint8_t> patternedImage(size_t height, size_t rowBytes, std::mt19937& random) {
    std::vector<uint8_t> image(height * rowBytes);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = random() % 4 == 0 ? static_cast<uint8_t>(random())
                                     : static_cast<uint8_t>((i % 97) * (i / rowBytes % 5));
    return image;
}

TEST(PngImageData, TheStreamIsTheSameForEveryThreadCountAndHoldsEveryRow) {
    std::mt19937 random(5);
    struct Shape {
        size_t height, rowBytes, pixelBytes;
    };
    // One piece; a few pieces of wide rows; narrow rows whose window spans many rows.
    for (const Shape shape :
         {Shape{1, 3, 3}, Shape{130, 91, 1}, Shape{700, 3003, 3}, Shape{300001, 4, 4}}) {
        const std::vector<uint8_t> image = patternedImage(shape.height, shape.rowBytes, random);
        const auto source = [&](size_t y, uint8_t* row) {
            std::copy_n(image.begin() + static_cast<ptrdiff_t>(y * shape.rowBytes), shape.rowBytes,
                        row);
        };
        // Stored pieces hold the filtered rows as they are, whatever their windows say.
        const size_t filteredBytes = shape.height * (shape.rowBytes + 1);
        const std::vector<uint8_t> rows = inflated(
            streamOf(shape.height, shape.rowBytes, shape.pixelBytes, 0, 1, source), filteredBytes);
        ASSERT_EQ(rows.size(), filteredBytes);
        for (size_t y = 0; y < shape.height; ++y) {
            ASSERT_EQ(rows[y * (shape.rowBytes + 1)], 4) << "row " << y;
            // A first sample is predicted from the sample above alone.
            const uint8_t above = y > 0 ? image[(y - 1) * shape.rowBytes] : 0;
            ASSERT_EQ(static_cast<uint8_t>(rows[y * (shape.rowBytes + 1) + 1] + above),
                      image[y * shape.rowBytes])
                << "row " << y;
        }
        for (const int setting : {1, 7, 9}) {
            SCOPED_TRACE(testing::Message() << shape.height << " rows of " << shape.rowBytes
                                            << " bytes, setting " << setting);
            const std::vector<uint8_t> single =
                streamOf(shape.height, shape.rowBytes, shape.pixelBytes, setting, 1, source);
            ASSERT_EQ(inflated(single, filteredBytes), rows);
            for (const int threads : {2, 3, 8})
                ASSERT_EQ(streamOf(shape.height, shape.rowBytes, shape.pixelBytes, setting, threads,
                                   source),
                          single)
                    << threads << " threads";
        }
    }
}

TEST(PngImageData, AFailureInARowOrInTheSinkStopsTheWorkAndReachesTheCaller) {
    const size_t height = 4000, rowBytes = 1000;
    for (const int threads : {1, 2, 4}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        const auto failing = [](size_t y, uint8_t* row) {
            if (y == 3000) throw std::runtime_error("row 3000");
            std::fill_n(row, rowBytes, static_cast<uint8_t>(y));
        };
        EXPECT_THROW(compressPngImageData(height, rowBytes, 1, 6, threads, failing,
                                          [](std::span<const uint8_t>, size_t) {}),
                     std::runtime_error);

        const auto plain = [](size_t y, uint8_t* row) {
            std::fill_n(row, rowBytes, static_cast<uint8_t>(y));
        };
        size_t calls = 0;
        const auto cancelling = [&](std::span<const uint8_t>, size_t rowsDone) {
            ++calls;
            if (rowsDone > 0) throw std::logic_error("cancelled");
        };
        EXPECT_THROW(compressPngImageData(height, rowBytes, 1, 6, threads, plain, cancelling),
                     std::logic_error);
        EXPECT_EQ(calls, 2u) << "the sink was called after it failed";
    }
}

TEST(PngImageData, TheDefaultSettingIsNearlyAsSmallAsTheSlowest) {
    const std::filesystem::path photo = test::skimageData() / "astronaut.png";
    if (!std::filesystem::exists(photo)) GTEST_SKIP() << "no " << photo;
    PlanarDocument document = readImageFile(photo.string());
    test::TempDir folder;
    const auto sizeAt = [&](int setting) {
        document.pngCompression = setting;
        const std::filesystem::path path = folder / ("out" + std::to_string(setting) + ".png");
        writeImageFile(document, path.string());
        return std::filesystem::file_size(path);
    };
    const auto stored = sizeAt(0), runs = sizeAt(1),
               standard = sizeAt(PlanarDocument{}.pngCompression), searched = sizeAt(8),
               smallest = sizeAt(9);
    EXPECT_EQ(sizeAt(5), runs) << "settings 1 to 5 are one choice";
    EXPECT_LT(runs, stored * 7 / 10);
    // Where the search is tried, the smaller result is kept.
    EXPECT_LE(standard, runs);
    EXPECT_LE(searched, runs);
    EXPECT_LE(smallest, runs);
    // The default gives up little, if anything, against the slowest setting.
    EXPECT_LT(standard, smallest + smallest / 50);
}

TEST(PngImageData, FilesAtEveryLevelAndThreadCountReadBackUnchanged) {
    test::TempDir folder;
    std::mt19937 random(9);
    for (const bool withAlpha : {false, true}) {
        for (const int32_t mode : {plugInModeGrayScale, plugInModeRGBColor}) {
            // Wide enough for RGB rows to be compressed in several pieces.
            PlanarDocument document = makePlanarDocument(1201, 601, mode, withAlpha);
            for (PlaneSamples& plane : document.planes)
                for (uint8_t& sample : plane) sample = static_cast<uint8_t>(random());
            for (uint8_t& sample : document.alpha) sample = static_cast<uint8_t>(random());
            for (const int level : {0, 1, 7, 9}) {
                for (const char* threads : {"1", "3"}) {
                    SCOPED_TRACE(testing::Message()
                                 << "mode " << mode << ", alpha " << withAlpha << ", level "
                                 << level << ", threads " << threads);
                    const test::ScopedVariable count("BRIVO_THREADS", threads);
                    document.pngCompression = level;
                    const std::string path = (folder / "out.png").string();
                    writeImageFile(document, path);
                    const PlanarDocument back = readImageFile(path);
                    ASSERT_EQ(back.planes, document.planes);
                    ASSERT_EQ(back.alpha, document.alpha);
                }
            }
        }
    }
}

}  // namespace
}  // namespace brivo::host
