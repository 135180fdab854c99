// PNG image data compressed in pieces on several threads is one valid zlib stream whose
// bytes do not depend on the thread count, and PNG files written that way at every level
// read back with the same pixels.
#include "host/files/png_image_data.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/files/image_file.h"
#include "support/temp_dir.h"

namespace brivo::host {
namespace {

using image_codec::compressPngImageData;
using image_codec::PngImageData;

std::vector<uint8_t> joined(const PngImageData& data) {
    std::vector<uint8_t> stream = data.header;
    for (const std::vector<uint8_t>& piece : data.pieces)
        stream.insert(stream.end(), piece.begin(), piece.end());
    stream.insert(stream.end(), data.trailer.begin(), data.trailer.end());
    return stream;
}

// The filtered rows the stream holds; fails the test when zlib refuses the stream (its
// checksum included).
std::vector<uint8_t> inflated(const PngImageData& data, size_t expectedBytes) {
    const std::vector<uint8_t> stream = joined(data);
    std::vector<uint8_t> out(expectedBytes + 1);
    uLongf size = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &size, stream.data(), static_cast<uLong>(stream.size())),
              Z_OK);
    out.resize(size);
    return out;
}

TEST(PngImageData, PiecesJoinIntoOneStreamWhateverTheThreadCount) {
    std::mt19937 random(5);
    for (const size_t height : {size_t{1}, size_t{63}, size_t{130}, size_t{517}}) {
        for (const size_t pixelBytes : {size_t{1}, size_t{3}, size_t{4}}) {
            const size_t rowBytes = pixelBytes * (1 + random() % 90);
            std::vector<uint8_t> image(height * rowBytes);
            for (uint8_t& sample : image) sample = static_cast<uint8_t>(random() % 40 + 100);
            const auto source = [&](size_t y, uint8_t* row) {
                std::copy_n(image.begin() + static_cast<ptrdiff_t>(y * rowBytes), rowBytes, row);
            };
            for (const int level : {0, 1, 7, 9}) {
                SCOPED_TRACE(testing::Message()
                             << height << " rows of " << rowBytes << " bytes, level " << level);
                const std::vector<uint8_t> single =
                    inflated(compressPngImageData(height, rowBytes, pixelBytes, level, 1, source),
                             height * (rowBytes + 1));
                ASSERT_EQ(single.size(), height * (rowBytes + 1));
                for (size_t y = 0; y < height; ++y) ASSERT_EQ(single[y * (rowBytes + 1)], 4);
                for (const int threads : {2, 3, 8}) {
                    const PngImageData pieces =
                        compressPngImageData(height, rowBytes, pixelBytes, level, threads, source);
                    EXPECT_LE(pieces.pieces.size(), static_cast<size_t>(threads));
                    ASSERT_EQ(inflated(pieces, single.size()), single) << threads << " threads";
                }
            }
        }
    }
}

TEST(PngImageData, ARowSourceFailureReachesTheCaller) {
    const auto failing = [](size_t y, uint8_t* row) {
        if (y == 300) throw std::runtime_error("row 300");
        row[0] = 1;
    };
    EXPECT_THROW(compressPngImageData(400, 1, 1, 6, 3, failing), std::runtime_error);
}

// Sets BRIVO_THREADS for the lifetime of the object.
struct EncoderThreads {
    explicit EncoderThreads(const char* count) { setenv("BRIVO_THREADS", count, 1); }
    ~EncoderThreads() { unsetenv("BRIVO_THREADS"); }
};

TEST(PngImageData, FilesAtEveryLevelAndThreadCountReadBackUnchanged) {
    test::TempDir folder;
    std::mt19937 random(9);
    for (const bool withAlpha : {false, true}) {
        for (const int32_t mode : {plugInModeGrayScale, plugInModeRGBColor}) {
            PlanarDocument document = makePlanarDocument(301, 259, mode, withAlpha);
            for (PlaneSamples& plane : document.planes)
                for (uint8_t& sample : plane) sample = static_cast<uint8_t>(random());
            for (uint8_t& sample : document.alpha) sample = static_cast<uint8_t>(random());
            for (const int level : {0, 1, 7, 9}) {
                for (const char* threads : {"1", "3"}) {
                    SCOPED_TRACE(testing::Message()
                                 << "mode " << mode << ", alpha " << withAlpha << ", level "
                                 << level << ", threads " << threads);
                    EncoderThreads count(threads);
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
