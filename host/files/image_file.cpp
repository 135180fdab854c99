#include "host/files/image_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "host/files/atomic_file.h"
#include "host/files/image_codec_support.h"
#include "host/files/image_metadata.h"
#include "host/files/jpeg_codec.h"
#include "host/files/orientation.h"
#include "host/files/png_codec.h"
#include "host/files/tiff_codec.h"

namespace brivo::host {
namespace {

using image_codec::fail;
using image_codec::FilePtr;

std::optional<ImageFormat> sniffFormat(const unsigned char* head, size_t length) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length >= 8 && std::memcmp(head, png, 8) == 0) return ImageFormat::png;
    if (length >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return ImageFormat::jpeg;
    // Classic (42) and big (43) TIFF, in either byte order.
    if (length >= 4 &&
        ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
         (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43))))
        return ImageFormat::tiff;
    return std::nullopt;
}

// A stream that cannot seek (a pipe, a terminal, a socket) copied whole into an unnamed
// temporary file, so that the format can be sniffed and the file read more than once.
constexpr uint64_t kMaxStreamBytes = uint64_t{4} << 30;

FilePtr bufferedStream(std::FILE* stream, const std::string& path) {
    FilePtr copy(std::tmpfile());
    if (!copy) fail(path, std::string("cannot buffer the stream: ") + std::strerror(errno));
    std::vector<char> block(1 << 16);
    uint64_t total = 0;
    for (size_t got; (got = std::fread(block.data(), 1, block.size(), stream)) > 0;) {
        total += got;
        if (total > kMaxStreamBytes)
            fail(path, "the stream is longer than " + std::to_string(kMaxStreamBytes >> 30) +
                           " GiB; no image file is that large");
        if (std::fwrite(block.data(), 1, got, copy.get()) != got)
            fail(path, std::string("cannot buffer the stream: ") + std::strerror(errno));
    }
    if (std::ferror(stream)) fail(path, std::string("cannot read: ") + std::strerror(errno));
    if (std::fflush(copy.get()) != 0)
        fail(path, std::string("cannot buffer the stream: ") + std::strerror(errno));
    std::rewind(copy.get());
    return copy;
}

// The file to read: `path` itself when it is a regular file, else its bytes buffered.
FilePtr openForReading(const std::string& path) {
    const bool standardInput = path == kStandardStream;
    FilePtr file(standardInput ? ::fdopen(::dup(STDIN_FILENO), "rb")
                               : std::fopen(path.c_str(), "rb"));
    if (!file) fail(path, std::string("cannot open: ") + std::strerror(errno));
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) != 0)
        fail(path, std::string("cannot read: ") + std::strerror(errno));
    if (S_ISDIR(info.st_mode)) fail(path, "is a folder, not an image file");
    if (S_ISREG(info.st_mode)) return file;
    return bufferedStream(file.get(), path);
}

// A name libraries that open files by name can use for an open stream.
std::string nameOfOpenFile(std::FILE* file) {
    return "/proc/self/fd/" + std::to_string(::fileno(file));
}

}  // namespace

std::optional<ImageFormat> imageFormatForPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".png") return ImageFormat::png;
    if (extension == ".jpg" || extension == ".jpeg") return ImageFormat::jpeg;
    if (extension == ".tif" || extension == ".tiff") return ImageFormat::tiff;
    return std::nullopt;
}

PlanarDocument readImageFile(const std::string& path, const ReadOptions& options) {
    const std::string shownPath = path == kStandardStream ? "standard input" : path;
    const FilePtr file = openForReading(path);
    unsigned char head[8] = {};
    const size_t length = std::fread(head, 1, sizeof head, file.get());
    if (std::ferror(file.get()))
        fail(shownPath, std::string("cannot read: ") + std::strerror(errno));
    if (length == 0) fail(shownPath, "the file is empty");
    const auto format = sniffFormat(head, length);
    if (!format) fail(shownPath, "not a PNG, JPEG or TIFF image");
    std::rewind(file.get());

    const std::string name = nameOfOpenFile(file.get());
    PlanarDocument document =
        *format == ImageFormat::png    ? image_codec::readPng(file.get(), shownPath, options)
        : *format == ImageFormat::jpeg ? image_codec::readJpeg(file.get(), shownPath, options)
                                       : image_codec::readTiff(name, shownPath, options);
    document.sourceFormat = *format;
    if (!image_codec::readMetadata(name, *format, document) && options.warn)
        options.warn(shownPath + ": the metadata cannot be read and is not carried over");
    if (!options.keepOrientation) turnUpright(document);
    return document;
}

std::string formatRefusal(const PlanarDocument& document, ImageFormat format) {
    if (format == ImageFormat::png && document.imageMode == plugInModeCMYKColor)
        return "PNG cannot hold CMYK images; write a TIFF or JPEG file instead";
    if (format == ImageFormat::jpeg && document.hasAlpha())
        return "JPEG cannot hold transparency; write a PNG or TIFF file instead";
    return {};
}

namespace {

// Writes the document into the temporary file, pixels first, then the metadata the codec
// does not write itself.
void writeInto(const AtomicFile& temp, const PlanarDocument& document, ImageFormat format,
               const std::string& path, const WriteOptions& options) {
    const std::vector<uint8_t> exif = image_codec::exifForWriting(document);
    if (format == ImageFormat::tiff) {
        image_codec::writeTiff(document, temp.path(), path, options);
    } else {
        FilePtr stream = temp.openStream();
        if (format == ImageFormat::png)
            image_codec::writePng(document, exif, stream.get(), path, options);
        else
            image_codec::writeJpeg(document, stream.get(), path, options);
        temp.closeStream(std::move(stream));
    }
    if (format != ImageFormat::png) image_codec::writeMetadata(document, exif, temp.path(), path);
}

void copyToStandardOutput(const std::string& file) {
    const FilePtr in(std::fopen(file.c_str(), "rb"));
    if (!in) fail("standard output", std::string("cannot read back: ") + std::strerror(errno));
    std::vector<char> block(1 << 16);
    for (size_t got; (got = std::fread(block.data(), 1, block.size(), in.get())) > 0;)
        if (std::fwrite(block.data(), 1, got, stdout) != got)
            fail("standard output", std::string("cannot write: ") + std::strerror(errno));
    if (std::fflush(stdout) != 0)
        fail("standard output", std::string("cannot write: ") + std::strerror(errno));
}

}  // namespace

void writeImageFile(const PlanarDocument& document, const std::string& path,
                    const WriteOptions& options) {
    const bool standardOutput = path == kStandardStream;
    const std::string shownPath = standardOutput ? "standard output" : path;
    const auto format = options.format ? options.format : imageFormatForPath(path);
    if (!format)
        fail(shownPath, standardOutput ? "name the format with --format (png, jpeg or tiff)"
                                       : "unknown file type; use .png, .jpg, .jpeg, .tif or .tiff");
    if (!isConsistent(document))
        fail(shownPath, "the document's planes do not match its size and image mode");
    if (const std::string refusal = formatRefusal(document, *format); !refusal.empty())
        fail(shownPath, refusal);

    if (standardOutput) {
        // Written whole to a temporary file first, so a failure sends nothing half-made.
        const std::filesystem::path folder = std::filesystem::temp_directory_path();
        AtomicFile temp((folder / "brivo-output").string());
        writeInto(temp, document, *format, shownPath, options);
        copyToStandardOutput(temp.path());
        return;
    }
    AtomicFile temp(path);
    writeInto(temp, document, *format, path, options);
    temp.commit();
}

}  // namespace brivo::host
