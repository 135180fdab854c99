#include "host/files/image_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <png.h>
#include <sys/resource.h>
#include <tiffio.h>
#include <zlib.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "host/files/atomic_file.h"
#include "host/files/temporary_files.h"
#include "support/sample_images.h"

namespace brivo::host {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kSkimageData = test::skimageData();
const fs::path kExamples = fs::path(BRIVO_SOURCE_DIR) / "examples";
const char* const kConvert = "/usr/bin/convert";

using Bytes = std::vector<uint8_t>;

Bytes readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A smooth gradient with a little seeded noise: exact formats must keep every value, JPEG
// must stay close.
PlanarDocument testDocument(int32_t mode, bool withAlpha, int32_t width = 37, int32_t height = 23) {
    PlanarDocument document = makePlanarDocument(width, height, mode, withAlpha);
    std::mt19937 random(42);
    for (size_t c = 0; c < document.planes.size(); ++c)
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                document.planes[c][static_cast<size_t>(y * width + x)] =
                    static_cast<uint8_t>((x * 5 + y * 3 + static_cast<int>(c) * 60) % 200 +
                                         static_cast<int>(random() % 8));
    for (size_t i = 0; i < document.alpha.size(); ++i)
        document.alpha[i] = static_cast<uint8_t>(i * 11);
    return document;
}

int maxDifference(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

Bytes srgbProfile() {
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// Raw interleaved samples of a file as ImageMagick decodes them (map: "rgb", "gray", "cmyk").
Bytes decodeWithImageMagick(const fs::path& file, const std::string& map) {
    const fs::path raw = fs::path(file).concat(".raw");
    const std::string command = std::string(kConvert) + " '" + file.string() + "' -depth 8 " + map +
                                ":'" + raw.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readBytes(raw);
}

Bytes interleave(const PlanarDocument& document) {
    Bytes out;
    for (size_t i = 0; i < document.pixelCount(); ++i)
        for (const auto& plane : document.planes) out.push_back(plane[i]);
    return out;
}

class ImageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '_');
        dir_ = fs::temp_directory_path() /
               ("brivo_image_file_" + std::to_string(::getpid()) + "_" + test);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs ImageMagick to make an input file, or skips the test when it is not installed.
    bool convert(const std::string& arguments) {
        if (!fs::exists(kConvert)) return false;
        const std::string command = std::string(kConvert) + " " + arguments;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return true;
    }

    void expectReadError(const std::string& path, const std::string& message,
                         const ReadOptions& options = {}) {
        try {
            readImageFile(path, options);
            ADD_FAILURE() << "reading " << path << " succeeded";
        } catch (const ImageFileError& error) {
            EXPECT_THAT(error.what(), HasSubstr(path));
            EXPECT_THAT(error.what(), HasSubstr(message));
        }
    }

    fs::path dir_;
};

// ---------------------------------------------------------------------------------------------
// Round trips

struct RoundTripCase {
    const char* extension;
    int32_t mode;
    bool alpha;
    int tolerance;  // 0 for lossless formats
};

class ImageFileRoundTrip : public ImageFileTest,
                           public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ImageFileRoundTrip, KeepsPixelsAlphaProfileAndResolution) {
    const RoundTripCase& c = GetParam();
    PlanarDocument document = testDocument(c.mode, c.alpha);
    if (c.mode != plugInModeGrayScale && c.mode != plugInModeCMYKColor)
        document.iccProfile = srgbProfile();
    document.resolution = Resolution{300.0, 150.0};
    // Full-resolution colour at high quality, so the noise survives within the tolerance.
    document.jpegQuality = 95;
    document.jpegLumaSampling = {1, 1};
    const std::string path = file(std::string("image.") + c.extension);

    writeImageFile(document, path);
    const PlanarDocument back = readImageFile(path);

    ASSERT_EQ(back.width, document.width);
    ASSERT_EQ(back.height, document.height);
    ASSERT_EQ(back.imageMode, c.mode);
    ASSERT_EQ(back.planes.size(), document.planes.size());
    for (size_t p = 0; p < document.planes.size(); ++p)
        EXPECT_LE(maxDifference(back.planes[p], document.planes[p]), c.tolerance) << "plane " << p;
    EXPECT_EQ(back.alpha, document.alpha);
    EXPECT_EQ(back.sourceFormat, imageFormatForPath(path));
    EXPECT_EQ(entries(), std::vector<std::string>{fs::path(path).filename().string()});
    EXPECT_EQ(back.iccProfile, document.iccProfile);
    // CMYK JPEGs carry no JFIF header, the only place JPEG keeps a resolution.
    const bool cmykJpeg = c.mode == plugInModeCMYKColor && back.sourceFormat == ImageFormat::jpeg;
    ASSERT_EQ(back.resolution.has_value(), !cmykJpeg);
    if (cmykJpeg) return;
    EXPECT_NEAR(back.resolution->x, 300.0, 0.1);
    EXPECT_NEAR(back.resolution->y, 150.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, ImageFileRoundTrip,
                         ::testing::Values(RoundTripCase{"png", plugInModeGrayScale, false, 0},
                                           RoundTripCase{"png", plugInModeGrayScale, true, 0},
                                           RoundTripCase{"png", plugInModeRGBColor, false, 0},
                                           RoundTripCase{"png", plugInModeRGBColor, true, 0},
                                           RoundTripCase{"tif", plugInModeGrayScale, false, 0},
                                           RoundTripCase{"tiff", plugInModeGrayScale, true, 0},
                                           RoundTripCase{"tif", plugInModeRGBColor, false, 0},
                                           RoundTripCase{"tif", plugInModeRGBColor, true, 0},
                                           RoundTripCase{"tif", plugInModeCMYKColor, false, 0},
                                           RoundTripCase{"tif", plugInModeCMYKColor, true, 0},
                                           RoundTripCase{"jpg", plugInModeGrayScale, false, 16},
                                           RoundTripCase{"jpeg", plugInModeRGBColor, false, 16},
                                           RoundTripCase{"JPG", plugInModeCMYKColor, false, 16}),
                         [](const auto& info) {
                             return std::string(info.param.extension) + "_mode" +
                                    std::to_string(info.param.mode) +
                                    (info.param.alpha ? "_alpha" : "");
                         });

TEST_F(ImageFileTest, TiffAlphaKeepsItsKind) {
    PlanarDocument document = testDocument(plugInModeRGBColor, true);
    document.tiffAlpha = TiffAlpha::associated;
    writeImageFile(document, file("a.tif"));
    EXPECT_EQ(readImageFile(file("a.tif")).tiffAlpha, TiffAlpha::associated);
}

TEST_F(ImageFileTest, ContentDecidesTheFormatWhenReading) {
    writeImageFile(testDocument(plugInModeRGBColor, false), file("real.png"));
    fs::rename(file("real.png"), file("named.jpg"));
    EXPECT_EQ(readImageFile(file("named.jpg")).sourceFormat, ImageFormat::png);
}

// ---------------------------------------------------------------------------------------------
// CMYK: 255 is no ink in the document; TIFF stores ink amounts, CMYK JPEGs store 255 - ink.

TEST_F(ImageFileTest, CmykTiffStoresInkAmounts) {
    PlanarDocument document = makePlanarDocument(4, 2, plugInModeCMYKColor);  // white paper
    document.planes[0].assign(8, 0);                                          // full cyan
    writeImageFile(document, file("c.tif"));

    TIFF* tiff = TIFFOpen(file("c.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint16_t photometric = 0, inkSet = 0;
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
    ASSERT_EQ(TIFFReadScanline(tiff, row.data(), 0, 0), 1);
    TIFFClose(tiff);
    EXPECT_EQ(photometric, PHOTOMETRIC_SEPARATED);
    EXPECT_EQ(inkSet, INKSET_CMYK);
    EXPECT_THAT(std::vector<uint8_t>(row.begin(), row.begin() + 4),
                ::testing::ElementsAre(255, 0, 0, 0));
}

TEST_F(ImageFileTest, CmykFilesFromImageMagickReadAsNoInkIs255) {
    if (!convert("-size 4x4 xc:cyan -colorspace CMYK -depth 8 '" + file("cyan.tif") + "'") ||
        !convert("-size 4x4 xc:cyan -colorspace CMYK -quality 100 '" + file("cyan.jpg") + "'"))
        GTEST_SKIP() << "ImageMagick is not installed";
    for (const char* name : {"cyan.tif", "cyan.jpg"}) {
        const PlanarDocument document = readImageFile(file(name));
        ASSERT_EQ(document.imageMode, plugInModeCMYKColor) << name;
        EXPECT_LE(document.planes[0][5], 2) << name;  // full cyan ink
        for (int p = 1; p < 4; ++p) EXPECT_GE(document.planes[p][5], 253) << name << " plane " << p;
    }
}

TEST_F(ImageFileTest, CmykJpegWeWriteReadsRightInImageMagick) {
    if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick is not installed";
    PlanarDocument document = makePlanarDocument(8, 8, plugInModeCMYKColor);
    document.planes[1].assign(64, 0);  // full magenta
    writeImageFile(document, file("m.jpg"));
    const Bytes ink = decodeWithImageMagick(file("m.jpg"), "cmyk");
    ASSERT_EQ(ink.size(), 64u * 4);
    EXPECT_LE(ink[0], 2);
    EXPECT_GE(ink[1], 253);
    EXPECT_LE(ink[2], 2);
    EXPECT_LE(ink[3], 2);
}

// ---------------------------------------------------------------------------------------------
// Real files made by other programs

TEST_F(ImageFileTest, ReadsExamplePhotographsAsImageMagickSeesThem) {
    if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick is not installed";
    struct Case {
        const char* name;
        int32_t mode;
        const char* map;
        bool invert;
    };
    for (const Case& c : {Case{"coffee.png", plugInModeRGBColor, "rgb", false},
                          Case{"coffee_gray.png", plugInModeGrayScale, "gray", false},
                          Case{"coffee_cmyk.tif", plugInModeCMYKColor, "cmyk", true}}) {
        const fs::path path = kExamples / c.name;
        const PlanarDocument document = readImageFile(path.string());
        EXPECT_EQ(document.imageMode, c.mode) << c.name;
        EXPECT_EQ(document.width, 600);
        EXPECT_EQ(document.height, 400);
        fs::copy_file(path, dir_ / c.name);
        Bytes expected = decodeWithImageMagick(dir_ / c.name, c.map);
        if (c.invert)
            for (auto& v : expected) v = static_cast<uint8_t>(255 - v);
        EXPECT_TRUE(interleave(document) == expected) << c.name;
    }
}

TEST_F(ImageFileTest, ReadsEncodingVariantsOfTheSamePicture) {
    const std::string source = (kExamples / "coffee.png").string();
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"interlaced.png", "-interlace PNG"},
        {"tiled.tif", "-define tiff:tile-geometry=64x64 -compress lzw"},
        {"planar.tif", "-interlace plane -compress zip"},
        {"big_endian.tif", "-endian MSB -compress none"},
    };
    const PlanarDocument original = readImageFile(source);
    for (const auto& [name, options] : variants) {
        if (!convert("'" + source + "' " + options + " '" + file(name) + "'"))
            GTEST_SKIP() << "ImageMagick is not installed";
        const PlanarDocument document = readImageFile(file(name));
        EXPECT_EQ(document.planes, original.planes) << name;
    }
}

TEST_F(ImageFileTest, ReadsARealJpegPhotograph) {
    const fs::path rocket = kSkimageData / "rocket.jpg";
    if (!fs::exists(rocket)) GTEST_SKIP() << "scikit-image data is not installed";
    const PlanarDocument document = readImageFile(rocket.string());
    EXPECT_EQ(document.imageMode, plugInModeRGBColor);
    EXPECT_EQ(document.width, 640);
    EXPECT_EQ(document.height, 427);
    if (!fs::exists(kConvert)) return;
    fs::copy_file(rocket, dir_ / "rocket.jpg");
    EXPECT_LE(
        maxDifference(interleave(document), decodeWithImageMagick(dir_ / "rocket.jpg", "rgb")), 2);
}

TEST_F(ImageFileTest, PalettePngsAreExpandedWithTheirTransparency) {
    const fs::path indexed = kSkimageData / "foo3x5x4indexed.png";  // palette with tRNS
    const fs::path opaque = kSkimageData / "palette_color.png";
    if (!fs::exists(indexed) || !fs::exists(opaque))
        GTEST_SKIP() << "scikit-image data is not installed";
    const PlanarDocument withAlpha = readImageFile(indexed.string());
    EXPECT_EQ(withAlpha.imageMode, plugInModeRGBColor);
    EXPECT_TRUE(withAlpha.hasAlpha());
    const PlanarDocument without = readImageFile(opaque.string());
    EXPECT_EQ(without.imageMode, plugInModeRGBColor);
    EXPECT_FALSE(without.hasAlpha());
}

TEST_F(ImageFileTest, ReadsAProfileEmbeddedByImageMagick) {
    const Bytes profile = srgbProfile();
    writeBytes(dir_ / "srgb.icc", profile);
    const std::string source = (kExamples / "coffee.png").string();
    for (const char* name : {"p.jpg", "p.png", "p.tif"}) {
        if (!convert("'" + source + "' -profile '" + file("srgb.icc") + "' '" + file(name) + "'"))
            GTEST_SKIP() << "ImageMagick is not installed";
        EXPECT_EQ(readImageFile(file(name)).iccProfile, profile) << name;
    }
}

// ---------------------------------------------------------------------------------------------
// Refusals

// A minimal TIFF with the given layout and zeroed samples.
void writeRawTiff(const std::string& path, uint16_t bits, uint16_t samples, uint16_t photometric) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 8u);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 2u);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
    for (uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
    TIFFClose(tiff);
}

TEST_F(ImageFileTest, RefusesUnsupportedKindsByName) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 4;
    image.height = 4;
    image.format = PNG_FORMAT_LINEAR_Y;  // 16-bit grey
    const std::vector<uint16_t> samples(16, 1000);
    ASSERT_TRUE(
        png_image_write_to_file(&image, file("deep.png").c_str(), 0, samples.data(), 0, nullptr));
    writeRawTiff(file("deep.tif"), 16, 1, PHOTOMETRIC_MINISBLACK);
    writeRawTiff(file("lab.tif"), 8, 3, PHOTOMETRIC_CIELAB);
    writeRawTiff(file("bilevel.tif"), 1, 1, PHOTOMETRIC_MINISBLACK);

    const std::string supported =
        "not supported; the filter works on 8-bit Grayscale, RGB and CMYK";
    expectReadError(file("deep.png"), "16-bit images are " + supported);
    expectReadError(file("deep.tif"), "16-bit images are " + supported);
    expectReadError(file("lab.tif"), "Lab images are " + supported);
    expectReadError(file("bilevel.tif"), "1-bit images are " + supported);
}

TEST_F(ImageFileTest, RefusesFilesThatAreNotImagesOrAreIncomplete) {
    std::ofstream(file("notes.png")) << "just some text, not a picture\n";
    std::ofstream(file("empty.png")).flush();
    fs::create_directory(file("folder.png"));
    const Bytes png = readBytes(kExamples / "coffee.png");
    writeBytes(file("cut.png"),
               Bytes(png.begin(), png.begin() + static_cast<long>(png.size() / 2)));
    writeImageFile(testDocument(plugInModeRGBColor, false, 200, 200), file("whole.jpg"));
    const Bytes jpeg = readBytes(file("whole.jpg"));
    writeBytes(file("cut.jpg"),
               Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)));
    // Cut as short, but closed by an end marker: the data segment ends before the image.
    Bytes closed(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
    closed.insert(closed.end(), {0xFF, 0xD9});
    writeBytes(file("closed.jpg"), closed);
    writeImageFile(testDocument(plugInModeRGBColor, false, 200, 200), file("whole.tif"));
    const Bytes tiff = readBytes(file("whole.tif"));
    writeBytes(file("cut.tif"),
               Bytes(tiff.begin(), tiff.begin() + static_cast<long>(tiff.size() / 2)));

    expectReadError(file("notes.png"), "not a PNG, JPEG or TIFF image");
    expectReadError(file("empty.png"), "the file is empty");
    expectReadError(file("missing.png"), "cannot open: No such file or directory");
    expectReadError(file("folder.png"), "is a folder");
    expectReadError(file("cut.png"), "invalid or truncated PNG data");
    expectReadError(file("cut.jpg"), "invalid or truncated JPEG data (Premature end of JPEG file)");
    expectReadError(file("closed.jpg"), "premature end of data segment");
    expectReadError(file("cut.tif"), "TIFF");
    // A chunk whose length field reaches 1.2 GB past the end of a 170-byte file, and one whose
    // length (1.6 GB) and type are a file's last bytes.
    expectReadError(BRIVO_SOURCE_DIR "/fuzz/regressions/pattern_decoder/chunk-longer-than-file",
                    "a chunk reaches past the end");
    expectReadError(BRIVO_SOURCE_DIR "/fuzz/regressions/pattern_decoder/chunk-header-in-last-bytes",
                    "a chunk reaches past the end");
    const fs::path broken = kSkimageData / "truncated.jpg";
    if (fs::exists(broken)) expectReadError(broken.string(), "invalid or truncated JPEG data");
}

void appendBigEndian(Bytes& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

// A PNG signature, a header chunk claiming the given size and an empty data chunk, with valid
// checksums: enough for a decoder to learn the size and start on the pixels.
Bytes pngHeader(uint32_t width, uint32_t height) {
    Bytes bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    appendBigEndian(bytes, width);
    appendBigEndian(bytes, height);
    for (uint8_t v : {8, 2, 0, 0, 0}) bytes.push_back(v);  // 8-bit RGB
    appendBigEndian(bytes, static_cast<uint32_t>(crc32(0, bytes.data() + 12, 17)));
    appendBigEndian(bytes, 0);
    for (char v : {'I', 'D', 'A', 'T'}) bytes.push_back(static_cast<uint8_t>(v));
    appendBigEndian(bytes, static_cast<uint32_t>(crc32(0, bytes.data() + bytes.size() - 4, 4)));
    return bytes;
}

TEST_F(ImageFileTest, RefusesHugeDimensionsBeforeAllocating) {
    writeBytes(file("huge.png"), pngHeader(200000, 200000));
    expectReadError(file("huge.png"), "image size 200000 x 200000 is outside the supported range");
    EXPECT_FALSE(checkedPixelCount(kMaxImageDimension + 1, 1));
    EXPECT_FALSE(checkedPixelCount(UINT64_MAX, UINT64_MAX));
    EXPECT_FALSE(checkedPixelCount(0, 5));
    EXPECT_EQ(checkedPixelCount(kMaxImageDimension, kMaxImagePixels / kMaxImageDimension),
              kMaxImagePixels);
    EXPECT_THROW(makePlanarDocument(100000, 100000, plugInModeRGBColor), std::invalid_argument);
    EXPECT_THROW(makePlanarDocument(10, 10, plugInModeLabColor), std::invalid_argument);
}

// Peak resident memory of the process so far, in KiB.
long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(ImageFileTest, AFileClaimingAHugeImageButEndingEarlyFailsBeforeFillingIt) {
    // 16384 x 16384 RGB is within the limits: 768 MiB of samples if the pixels were there.
    writeBytes(file("claims.png"), pngHeader(16384, 16384));
    const long before = peakResidentKiB();
    ReadOptions unlimited;
    unlimited.maxPixels = UINT64_MAX;
    expectReadError(file("claims.png"), "invalid or truncated PNG data", unlimited);
    EXPECT_LT(peakResidentKiB() - before, 200 * 1024) << "the claimed planes were filled";
}

// ---------------------------------------------------------------------------------------------
// Writing: all or nothing

void expectWriteError(const PlanarDocument& document, const std::string& path,
                      const std::string& message) {
    try {
        writeImageFile(document, path);
        ADD_FAILURE() << "writing " << path << " succeeded";
    } catch (const ImageFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr(path));
        EXPECT_THAT(error.what(), HasSubstr(message));
    }
}

TEST_F(ImageFileTest, RefusesWhatTheFormatCannotHoldWithoutTouchingTheTarget) {
    const Bytes old = {1, 2, 3};
    for (const char* name : {"t.png", "t.jpg", "t.bmp"}) writeBytes(dir_ / name, old);
    expectWriteError(testDocument(plugInModeCMYKColor, false), file("t.png"),
                     "PNG cannot hold CMYK");
    expectWriteError(testDocument(plugInModeRGBColor, true), file("t.jpg"),
                     "JPEG cannot hold transparency");
    expectWriteError(testDocument(plugInModeRGBColor, false), file("t.bmp"), "unknown file type");
    PlanarDocument broken = testDocument(plugInModeRGBColor, false);
    broken.planes[2].pop_back();
    expectWriteError(broken, file("t.png"), "do not match");
    for (const char* name : {"t.png", "t.jpg", "t.bmp"})
        EXPECT_EQ(readBytes(dir_ / name), old) << name;
    EXPECT_EQ(entries(), (std::vector<std::string>{"t.bmp", "t.jpg", "t.png"}));
}

TEST_F(ImageFileTest, UnwritableDestinationsLeaveNoTemporaryFile) {
    const PlanarDocument document = testDocument(plugInModeRGBColor, false);
    expectWriteError(document, file("no/such/folder/out.png"),
                     "cannot create a file in its folder");
    fs::create_directory(file("taken.png"));  // rename cannot replace a folder
    expectWriteError(document, file("taken.png"), "cannot replace the file");
    EXPECT_EQ(entries(), std::vector<std::string>{"taken.png"});
    EXPECT_TRUE(fs::is_empty(file("taken.png")));
}

class ImageFileWriteFailure : public ImageFileTest,
                              public ::testing::WithParamInterface<const char*> {};

// A file-size limit makes the write fail part way through, as a full disk would.
TEST_P(ImageFileWriteFailure, LeavesTheExistingFileUntouched) {
    const std::string path = file(std::string("out.") + GetParam());
    const Bytes old = {'o', 'l', 'd'};
    writeBytes(path, old);
    // Large enough that the image data is still being compressed on other threads when the
    // write fails.
    PlanarDocument document = testDocument(plugInModeRGBColor, false, 1200, 900);
    std::mt19937 random(7);  // noise so that nothing compresses well
    for (auto& plane : document.planes)
        for (auto& v : plane) v = static_cast<uint8_t>(random());

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    expectWriteError(document, path, "");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(), std::vector<std::string>{fs::path(path).filename().string()});
}

INSTANTIATE_TEST_SUITE_P(EachFormat, ImageFileWriteFailure, ::testing::Values("png", "jpg", "tif"));

TEST_F(ImageFileTest, ReplacingAFileKeepsItsPermissions) {
    writeBytes(file("keep.png"), {0});
    fs::permissions(file("keep.png"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    writeImageFile(testDocument(plugInModeGrayScale, false), file("keep.png"));
    EXPECT_EQ(fs::status(file("keep.png")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(readImageFile(file("keep.png")).imageMode, plugInModeGrayScale);
}

// ---------------------------------------------------------------------------------------------
// Orientation, cancellation and temporary files

// Every EXIF orientation comes out as ImageMagick shows the file after turning it upright.
TEST_F(ImageFileTest, TurnsEveryOrientationUprightAsOtherProgramsDo) {
    if (!fs::exists("/usr/bin/exiv2")) GTEST_SKIP() << "exiv2 is not installed";
    // Six flat 8 x 8 blocks of different colours: any turn or mirror moves them visibly.
    if (!convert("-size 8x8 xc:red xc:lime xc:blue +append \\( -size 8x8 xc:yellow xc:black "
                 "xc:white +append \\) -append -quality 100 -sampling-factor 1x1 '" +
                 file("blocks.jpg") + "'"))
        GTEST_SKIP() << "ImageMagick is not installed";
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string turned = file("turned" + std::to_string(orientation) + ".jpg");
        fs::copy_file(file("blocks.jpg"), turned);
        const std::string tag = "/usr/bin/exiv2 -M'set Exif.Image.Orientation " +
                                std::to_string(orientation) + "' '" + turned + "'";
        ASSERT_EQ(std::system(tag.c_str()), 0);
        ASSERT_TRUE(convert("'" + turned + "' -auto-orient '" + turned + ".png'"));

        const PlanarDocument document = readImageFile(turned);
        EXPECT_EQ(document.orientation, 1);
        const Bytes expected = decodeWithImageMagick(turned + ".png", "rgb");
        ASSERT_EQ(interleave(document).size(), expected.size()) << orientation;
        EXPECT_LE(maxDifference(interleave(document), expected), 8) << orientation;

        ReadOptions kept;
        kept.keepOrientation = true;
        const PlanarDocument stored = readImageFile(turned, kept);
        EXPECT_EQ(stored.orientation, orientation);
        EXPECT_EQ(stored.width, 24);
    }
}

TEST_F(ImageFileTest, CancelledReadsAndWritesLeaveNothingBehind) {
    const PlanarDocument document = testDocument(plugInModeRGBColor, true, 40, 30);
    for (const char* name : {"out.png", "out.tif"}) {
        WriteOptions write;
        write.rows = [](int64_t done, int64_t) { return done < 5; };
        EXPECT_THROW(writeImageFile(document, file(name), write), FileCancelled) << name;
    }
    EXPECT_TRUE(entries().empty());

    writeImageFile(document, file("in.png"));
    ReadOptions read;
    read.rows = [](int64_t done, int64_t) { return done < 5; };
    EXPECT_THROW(readImageFile(file("in.png"), read), FileCancelled);
}

TEST_F(ImageFileTest, TemporaryFilesCanBeRemovedFromASignalHandler) {
    {
        AtomicFile temp(file("target.png"));
        ASSERT_TRUE(fs::exists(temp.path()));
        removeTemporaryFilesNow();
        EXPECT_FALSE(fs::exists(temp.path()));
    }
    EXPECT_TRUE(entries().empty());
}

TEST_F(ImageFileTest, AnOutputNameAsLongAsTheFolderAllowsCanBeWritten) {
    const std::string name = std::string(251, 'n') + ".png";
    writeImageFile(testDocument(plugInModeGrayScale, false), file(name));
    EXPECT_EQ(entries(), std::vector<std::string>{name});
}

TEST_F(ImageFileTest, RefusesDocumentsAboveTheSizeLimitBeforeReadingThem) {
    writeImageFile(testDocument(plugInModeRGBColor, false, 40, 30), file("big.png"));
    ReadOptions read;
    read.maxPixels = 1199;
    expectReadError(file("big.png"), "above the limit", read);
    read.maxPixels = 1200;
    EXPECT_EQ(readImageFile(file("big.png"), read).width, 40);
}

// The quality read from a JPEG's tables is the one it was written with, by us or by others.
TEST_F(ImageFileTest, EstimatesTheQualityAndSamplingAJpegWasWrittenWith) {
    PlanarDocument document = testDocument(plugInModeRGBColor, false, 64, 48);
    for (int quality : {20, 50, 75, 92, 100}) {
        const std::string path = file("q" + std::to_string(quality) + ".jpg");
        WriteOptions write;
        write.jpegQuality = quality;
        document.jpegLumaSampling = quality > 90 ? std::array{1, 1} : std::array{2, 1};
        writeImageFile(document, path, write);
        const PlanarDocument back = readImageFile(path);
        EXPECT_EQ(back.jpegQuality, quality);
        EXPECT_EQ(back.jpegLumaSampling, document.jpegLumaSampling) << quality;
    }
    if (!convert("-size 64x48 gradient:red-blue -quality 67 '" + file("magick.jpg") + "'"))
        GTEST_SKIP() << "ImageMagick is not installed";
    EXPECT_EQ(readImageFile(file("magick.jpg")).jpegQuality, 67);
}

TEST_F(ImageFileTest, PngTextAndColourChunksSurviveARoundTrip) {
    PlanarDocument document = testDocument(plugInModeRGBColor, false);
    ImageMetadata& metadata = document.metadata;
    metadata.pngText = {{"Title", "plain", false, false, "", ""},
                        {"Description", std::string(500, 'z'), true, false, "", ""},
                        {"Author", "Zoë", false, true, "fr", "Auteur"}};
    metadata.pngGamma = 0.6;
    metadata.pngChromaticities = std::array{0.3127, 0.329, 0.64, 0.33, 0.3, 0.6, 0.15, 0.06};
    metadata.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    writeImageFile(document, file("text.png"));

    const ImageMetadata back = readImageFile(file("text.png")).metadata;
    ASSERT_EQ(back.pngText.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.pngText[i].keyword, metadata.pngText[i].keyword);
        EXPECT_EQ(back.pngText[i].text, metadata.pngText[i].text);
        EXPECT_EQ(back.pngText[i].international, metadata.pngText[i].international);
    }
    EXPECT_EQ(back.pngText[2].language, "fr");
    EXPECT_NEAR(*back.pngGamma, 0.6, 1e-5);
    EXPECT_NEAR((*back.pngChromaticities)[2], 0.64, 1e-5);
    EXPECT_NE(back.xmp.find("adobe:ns:meta"), std::string::npos);
}

}  // namespace
}  // namespace brivo::host
