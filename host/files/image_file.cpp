#include "host/files/image_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "host/files/atomic_file.h"
#include "host/files/image_codec_support.h"
#include "host/files/jpeg_codec.h"
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

void checkFormatCanHold(const PlanarDocument& document, ImageFormat format,
                        const std::string& path) {
    if (!isConsistent(document))
        fail(path, "the document's planes do not match its size and image mode");
    if (format == ImageFormat::png && document.imageMode == plugInModeCMYKColor)
        fail(path, "PNG cannot hold CMYK images; write a TIFF or JPEG file instead");
    if (format == ImageFormat::jpeg && document.hasAlpha())
        fail(path, "JPEG cannot hold transparency; write a PNG or TIFF file instead");
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

PlanarDocument readImageFile(const std::string& path) {
    const FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) fail(path, std::string("cannot open: ") + std::strerror(errno));
    unsigned char head[8] = {};
    const size_t length = std::fread(head, 1, sizeof head, file.get());
    if (std::ferror(file.get())) fail(path, std::string("cannot read: ") + std::strerror(errno));
    if (length == 0) fail(path, "the file is empty");
    const auto format = sniffFormat(head, length);
    if (!format) fail(path, "not a PNG, JPEG or TIFF image");
    std::rewind(file.get());

    PlanarDocument document = *format == ImageFormat::png ? image_codec::readPng(file.get(), path)
                              : *format == ImageFormat::jpeg
                                  ? image_codec::readJpeg(file.get(), path)
                                  : image_codec::readTiff(path);
    document.sourceFormat = *format;
    return document;
}

void writeImageFile(const PlanarDocument& document, const std::string& path) {
    const auto format = imageFormatForPath(path);
    if (!format) fail(path, "unknown file type; use .png, .jpg, .jpeg, .tif or .tiff");
    checkFormatCanHold(document, *format, path);

    AtomicFile temp(path);
    if (*format == ImageFormat::tiff) {
        image_codec::writeTiff(document, temp.path(), path);
    } else {
        FilePtr stream = temp.openStream();
        if (*format == ImageFormat::png)
            image_codec::writePng(document, stream.get(), path);
        else
            image_codec::writeJpeg(document, stream.get(), path);
        temp.closeStream(std::move(stream));
    }
    temp.commit();
}

}  // namespace brivo::host
