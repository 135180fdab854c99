#include "image/pattern_decoder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/errors.h"
#include "filter_record.h"
#include "support/buffer_host.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

constexpr int32_t kWidth = 37;
constexpr int32_t kHeight = 23;

// Samples that differ from row to row and column to column, so that misplaced rows or
// interlace passes show.
Bytes sourceSamples() {
    Bytes samples;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            samples.push_back(static_cast<uint8_t>(x * 7 + y * 13));
    return samples;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A binary PGM or PPM file of the given samples.
void writeNetpbm(const fs::path& path, const char* magic, int32_t width, int32_t height,
                 const Bytes& samples) {
    const std::string header = std::string(magic) + "\n" + std::to_string(width) + " " +
                               std::to_string(height) + "\n255\n";
    Bytes bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    writeFile(path, bytes);
}

// The samples of a binary PGM file (as djpeg writes it: no comments).
Bytes pgmSamples(const fs::path& path) {
    const Bytes bytes = readFile(path);
    size_t position = 0;
    for (int newlines = 0; position < bytes.size() && newlines < 3; ++position)
        newlines += bytes[position] == '\n';
    return Bytes(bytes.begin() + static_cast<ptrdiff_t>(position), bytes.end());
}

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool run(const std::string& command) {
    return std::system(("(" + command + ") 2>/dev/null").c_str()) == 0;
}

Bytes pixelsOf(const ImageHandle& image) {
    return Bytes(image->data, image->data + image->byteCount());
}

class PatternFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveTool("convert") || !haveTool("cjpeg") || !haveTool("djpeg"))
            GTEST_SKIP() << "ImageMagick convert, cjpeg and djpeg are needed";
        writeNetpbm(dir / "source.pgm", "P5", kWidth, kHeight, sourceSamples());
        Bytes colour;
        for (uint8_t sample : sourceSamples())
            colour.insert(colour.end(), {sample, uint8_t(255 - sample), 40});
        writeNetpbm(dir / "source.ppm", "P6", kWidth, kHeight, colour);
    }

    // Runs command in the test's directory.
    void make(const std::string& command) {
        ASSERT_TRUE(run("cd '" + dir.path().string() + "' && " + command)) << command;
    }

    ImageHandle load(const std::string& name) {
        return loadPattern(*host.document, (dir / name).c_str());
    }

    test::BufferHost host;
    test::TempDir dir;
};

TEST_F(PatternFileTest, EightBitGreyPngDecodesExactlyPlainOrInterlaced) {
    const std::string grey = "-define png:color-type=0 -define png:bit-depth=8";
    make("convert source.pgm " + grey + " plain.png");
    make("convert source.pgm " + grey + " -interlace PNG interlaced.png");
    for (const char* name : {"plain.png", "interlaced.png"}) {
        const ImageHandle image = load(name);
        ASSERT_FALSE(image.empty()) << name;
        EXPECT_EQ(image->width(), kWidth);
        EXPECT_EQ(image->height(), kHeight);
        EXPECT_EQ(image->planeCount(), 1);
        EXPECT_EQ(image->bytesPerSample, 1);
        EXPECT_EQ(image->imageMode, plugInModeGrayScale);
        EXPECT_EQ(pixelsOf(image), sourceSamples()) << name;
    }
}

TEST_F(PatternFileTest, GreyJpegDecodesAsTheReferenceDecoderDoes) {
    make("cjpeg -grayscale -quality 90 source.pgm > baseline.jpg");
    make("cjpeg -grayscale -progressive source.pgm > progressive.jpg");
    for (const char* name : {"baseline.jpg", "progressive.jpg"}) {
        make(std::string("djpeg -pnm ") + name + " > reference.pgm");
        const ImageHandle image = load(name);
        ASSERT_FALSE(image.empty()) << name;
        EXPECT_EQ(image->width(), kWidth);
        EXPECT_EQ(image->height(), kHeight);
        EXPECT_EQ(pixelsOf(image), pgmSamples(dir / "reference.pgm")) << name;
    }
}

TEST_F(PatternFileTest, EverythingButGreyEightBitGivesNoPattern) {
    make("convert source.pgm -define png:color-type=4 grey_alpha.png");
    make("convert source.pgm -define png:color-type=0 -define png:bit-depth=16 grey16.png");
    make("convert source.pgm -define png:color-type=0 -define png:bit-depth=4 -depth 4 grey4.png");
    make("convert source.ppm PNG8:palette.png");
    make("convert source.ppm -define png:color-type=2 rgb.png");
    make("cjpeg source.ppm > colour.jpg");
    make("convert source.ppm -colorspace CMYK cmyk.jpg");
    make("echo 'not an image at all' > notes.txt");
    for (const char* name : {"grey_alpha.png", "grey16.png", "grey4.png", "palette.png", "rgb.png",
                             "colour.jpg", "cmyk.jpg", "notes.txt"}) {
        EXPECT_TRUE(load(name).empty()) << name;
    }
    EXPECT_EQ(host.document->liveBuffers(), 0);
}

TEST_F(PatternFileTest, DamagedPngGivesNoPattern) {
    make("convert source.pgm -define png:color-type=0 -define png:bit-depth=8 grey.png");
    const Bytes whole = readFile(dir / "grey.png");
    writeFile(dir / "truncated.png", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
    Bytes corrupt = whole;
    const std::string text(whole.begin(), whole.end());
    const size_t imageData = text.find("IDAT");
    ASSERT_NE(imageData, std::string::npos);
    corrupt[imageData + 8] ^= 0x5A;  // inside the compressed rows: the chunk's checksum fails
    writeFile(dir / "corrupt.png", corrupt);
    writeFile(dir / "signature_only.png", Bytes(whole.begin(), whole.begin() + 7));
    for (const char* name : {"truncated.png", "corrupt.png", "signature_only.png"})
        EXPECT_TRUE(load(name).empty()) << name;
}

TEST_F(PatternFileTest, TruncatedJpegEndsWhereItsDataEnds) {
    make("cjpeg -grayscale -quality 95 source.pgm > grey.jpg");
    make("djpeg -pnm grey.jpg > reference.pgm");
    Bytes bytes = readFile(dir / "grey.jpg");
    bytes.resize(bytes.size() * 3 / 4);
    // An exact-size heap block: reading past its end would be caught by the sanitizers.
    const ImageHandle image = decodeJpeg(*host.document, bytes.data(), bytes.size());
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image->height(), kHeight);
    const Bytes reference = pgmSamples(dir / "reference.pgm");
    EXPECT_TRUE(std::equal(image->data, image->data + kWidth, reference.begin()));
}

TEST_F(PatternFileTest, RealPhotographsFromOtherPrograms) {
    const fs::path data = test::skimageData();
    if (!fs::exists(data / "camera.png")) GTEST_SKIP() << "no skimage sample data";
    const ImageHandle camera = loadPattern(*host.document, (data / "camera.png").c_str());
    ASSERT_FALSE(camera.empty());
    EXPECT_EQ(camera->width(), 512);
    EXPECT_EQ(camera->height(), 512);
    EXPECT_TRUE(loadPattern(*host.document, (data / "chelsea.png").c_str()).empty());
}

TEST(BundledPatterns, EveryFileIsAGreyPattern) {
    test::BufferHost host;
    int32_t count = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(BRIVO_SOURCE_DIR) / "patterns")) {
        const ImageHandle image = loadPattern(*host.document, entry.path().c_str());
        ASSERT_FALSE(image.empty()) << entry.path();
        EXPECT_GE(std::min(image->width(), image->height()), 512) << entry.path();
        EXPECT_LE(std::max(image->width(), image->height()), 2048) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 12);
}

TEST_F(PatternFileTest, NoMemoryForTheResultIsReportedAndLeavesNothingBehind) {
    make("convert source.pgm -define png:color-type=0 -define png:bit-depth=8 grey.png");
    make("cjpeg -grayscale source.pgm > grey.jpg");
    host.buffers.setLimit(0);
    for (const char* name : {"grey.png", "grey.jpg"}) {
        try {
            load(name);
            ADD_FAILURE() << name << " decoded without memory";
        } catch (const HostResultError& error) {
            EXPECT_EQ(error.code, memFullErr) << name;
        }
    }
    EXPECT_EQ(host.document->liveBuffers(), 0);
    EXPECT_EQ(host.buffers.liveBuffers(), 0);
}

// A PNG that declares a width × height 8-bit grey image and ends after its header.
Bytes pngHeaderOnly(uint32_t width, uint32_t height) {
    Bytes bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(value >> shift));
    bytes.insert(bytes.end(), {8, 0, 0, 0, 0});
    const uint32_t crc = static_cast<uint32_t>(crc32(0, bytes.data() + 12, 17));
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(crc >> shift));
    return bytes;
}

TEST_F(PatternFileTest, HugeDeclaredSizesAreRefusedBeforeAnyAllocation) {
    host.buffers.setLimit(1 << 20);  // any attempt at the real size would throw
    for (const auto& [width, height] : {std::pair{100000u, 100000u}, std::pair{60000u, 60000u}}) {
        const Bytes png = pngHeaderOnly(width, height);
        EXPECT_TRUE(decodePng(*host.document, png.data(), png.size()).empty()) << width;
    }
    make("cjpeg -grayscale source.pgm > grey.jpg");
    Bytes jpeg = readFile(dir / "grey.jpg");
    size_t frame = 0;
    while (frame + 9 < jpeg.size() && !(jpeg[frame] == 0xFF && jpeg[frame + 1] == 0xC0)) ++frame;
    ASSERT_LT(frame + 9, jpeg.size());
    for (size_t i : {frame + 5, frame + 7}) {  // height, then width: 65500 each
        jpeg[i] = 0xFF;
        jpeg[i + 1] = 0xDC;
    }
    EXPECT_TRUE(decodeJpeg(*host.document, jpeg.data(), jpeg.size()).empty());
    EXPECT_EQ(host.document->liveBuffers(), 0);
}

TEST_F(PatternFileTest, AChunkLongerThanTheDataCostsNoMemory) {
    // 170 bytes whose text chunk claims 1.2 GB, and 135 bytes that end in the length and type
    // of a text chunk claiming 1.6 GB.
    for (const char* name : {"chunk-longer-than-file", "chunk-header-in-last-bytes"}) {
        const Bytes lying =
            readFile(fs::path(BRIVO_SOURCE_DIR) / "fuzz/regressions/pattern_decoder" / name);
        ASSERT_GT(lying.size(), 100u) << name;
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        std::string why;
        EXPECT_TRUE(decodePng(*host.document, lying.data(), lying.size(), &why).empty()) << name;
        getrusage(RUSAGE_SELF, &after);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024) << "KiB taken by " << name;
        EXPECT_EQ(why, "the PNG file is corrupt or cut short") << name;
    }
}

TEST_F(PatternFileTest, OnlyRegularFilesAreRead) {
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    writeFile(dir / "empty.png", {});
    fs::create_directory(dir / "folder.png");
    for (const char* name : {"pipe", "empty.png", "folder.png", "missing.png"})
        EXPECT_TRUE(load(name).empty()) << name;
    EXPECT_TRUE(loadPattern(*host.document, "/dev/zero").empty());
    EXPECT_TRUE(loadPattern(*host.document, "").empty());
    EXPECT_TRUE(loadPattern(*host.document, nullptr).empty());
}

// Every refusal says what is wrong, in words a user can act on.
TEST_F(PatternFileTest, EveryRefusalSaysWhy) {
    make("convert source.ppm -define png:color-type=2 rgb.png");
    make("convert source.ppm -colors 16 -define png:color-type=3 palette.png");
    make("convert source.pgm -depth 16 -define png:color-type=0 -define png:bit-depth=16 deep.png");
    make("cjpeg source.ppm > colour.jpg");
    make(
        "convert source.pgm -define png:color-type=0 -define png:bit-depth=8 whole.png && "
        "head -c 200 whole.png > cut.png");
    make("echo text > notes.png && mkdir folder.png");
    const std::pair<const char*, const char*> cases[] = {
        {"rgb.png", "an RGB PNG; patterns must be 8-bit greyscale"},
        {"palette.png", "a palette (indexed-colour) PNG"},
        {"deep.png", "a 16-bit greyscale PNG"},
        {"colour.jpg", "a colour JPEG"},
        {"cut.png", "truncated or corrupt"},
        {"notes.png", "not a PNG or JPEG file"},
        {"folder.png", "is not a regular file"},
        {"missing.png", "cannot open"},
    };
    for (const auto& [name, reason] : cases) {
        std::string why;
        EXPECT_TRUE(loadPattern(*host.document, (dir / name).c_str(), &why).empty()) << name;
        EXPECT_NE(why.find(reason), std::string::npos) << name << ": " << why;
        EXPECT_NE(why.find(name), std::string::npos) << why;
    }
    // The header and an empty data chunk: enough for the size to be read and refused.
    Bytes huge = pngHeaderOnly(60000, 60000);
    const Bytes data = {0, 0, 0, 0, 'I', 'D', 'A', 'T'};
    huge.insert(huge.end(), data.begin(), data.end());
    const auto crc = static_cast<uint32_t>(crc32(0, data.data() + 4, 4));
    for (int shift = 24; shift >= 0; shift -= 8) huge.push_back(uint8_t(crc >> shift));
    std::string why;
    EXPECT_TRUE(decodePng(*host.document, huge.data(), huge.size(), &why).empty());
    EXPECT_NE(why.find("60000 x 60000"), std::string::npos) << why;
    EXPECT_EQ(host.document->liveBuffers(), 0);
}

}  // namespace
}  // namespace brivo
