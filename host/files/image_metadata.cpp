#include "host/files/image_metadata.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <array>
#include <mutex>

#include "host/files/image_codec_support.h"

namespace brivo::host::image_codec {
namespace {

// exiv2 prints warnings and errors to stderr itself; its exceptions carry what we report.
void quietExiv2() {
    static std::once_flag once;
    std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

// Tags of a TIFF file's first directory that describe how its pixels are stored; they belong
// to that file, not to the picture, and the writer sets its own.
constexpr std::array<uint16_t, 47> kStorageTags = {
    0x00FE, 0x00FF, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109, 0x010A, 0x0111,
    0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011C, 0x0122, 0x0123, 0x0124, 0x0125, 0x013D, 0x0140,
    0x0142, 0x0143, 0x0144, 0x0145, 0x014A, 0x014C, 0x0152, 0x0153, 0x015B, 0x0200, 0x0201, 0x0202,
    0x0203, 0x0205, 0x0206, 0x0207, 0x0211, 0x0212, 0x0213, 0x02BC, 0x83BB, 0x8649, 0x8773};

void dropStorageTags(Exiv2::ExifData& exif) {
    for (auto it = exif.begin(); it != exif.end();) {
        const bool storage =
            it->groupName() == "Image" &&
            std::find(kStorageTags.begin(), kStorageTags.end(), it->tag()) != kStorageTags.end();
        it = storage ? exif.erase(it) : std::next(it);
    }
}

std::vector<uint8_t> encodeExif(const Exiv2::ExifData& exif, Exiv2::ByteOrder order) {
    if (exif.empty()) return {};
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order, exif);
    return {blob.begin(), blob.end()};
}

Exiv2::ExifData decodeExif(const std::vector<uint8_t>& block, Exiv2::ByteOrder& order) {
    Exiv2::ExifData exif;
    order = Exiv2::ExifParser::decode(exif, block.data(), static_cast<uint32_t>(block.size()));
    return exif;
}

void setIfPresent(Exiv2::ExifData& exif, const char* key, uint32_t value) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end()) return;
    if (it->typeId() == Exiv2::unsignedShort && value <= 0xFFFF)
        it->setValue(std::to_string(value));
    else
        exif[key] = value;
}

}  // namespace

bool readMetadata(const std::string& file, ImageFormat format, PlanarDocument& document) {
    quietExiv2();
    ImageMetadata& metadata = document.metadata;
    try {
        const auto image = Exiv2::ImageFactory::open(file);
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (orientation != exif.end() && orientation->count() > 0) {
            const long value = orientation->toLong();
            document.orientation = value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
        if (format == ImageFormat::tiff) dropStorageTags(exif);
        metadata.exif =
            encodeExif(exif, image->byteOrder() == Exiv2::invalidByteOrder ? Exiv2::littleEndian
                                                                           : image->byteOrder());
        if (!image->xmpPacket().empty() || !image->xmpData().empty()) {
            std::string packet = image->xmpPacket();
            if (packet.empty()) Exiv2::XmpParser::encode(packet, image->xmpData());
            metadata.xmp = packet;
        }
        if (!image->iptcData().empty()) {
            const Exiv2::DataBuf iptc = Exiv2::IptcParser::encode(image->iptcData());
            metadata.iptc.assign(iptc.pData_, iptc.pData_ + iptc.size_);
        }
        if (format == ImageFormat::jpeg) metadata.comment = image->comment();
        return true;
    } catch (const Exiv2::AnyError&) {
        metadata.exif.clear();
        metadata.xmp.clear();
        metadata.iptc.clear();
        return false;
    }
}

std::vector<uint8_t> exifForWriting(const PlanarDocument& document) {
    if (document.metadata.exif.empty()) return {};
    quietExiv2();
    try {
        Exiv2::ByteOrder order = Exiv2::littleEndian;
        Exiv2::ExifData exif = decodeExif(document.metadata.exif, order);
        exif["Exif.Image.Orientation"] = static_cast<uint16_t>(document.orientation);
        setIfPresent(exif, "Exif.Photo.PixelXDimension", static_cast<uint32_t>(document.width));
        setIfPresent(exif, "Exif.Photo.PixelYDimension", static_cast<uint32_t>(document.height));
        return encodeExif(exif, order);
    } catch (const Exiv2::AnyError&) {
        return document.metadata.exif;
    }
}

void writeMetadata(const PlanarDocument& document, const std::vector<uint8_t>& exif,
                   const std::string& file, const std::string& path) {
    const ImageMetadata& metadata = document.metadata;
    if (exif.empty() && metadata.xmp.empty() && metadata.iptc.empty() && metadata.comment.empty())
        return;
    quietExiv2();
    try {
        const auto image = Exiv2::ImageFactory::open(file);
        image->readMetadata();
        if (!exif.empty()) {
            Exiv2::ByteOrder order = Exiv2::littleEndian;
            Exiv2::ExifData written = decodeExif(exif, order);
            // The file's own storage tags stay as the codec wrote them.
            if (image->imageType() == Exiv2::ImageType::tiff) {
                dropStorageTags(written);
                for (const Exiv2::Exifdatum& own : image->exifData())
                    if (written.findKey(Exiv2::ExifKey(own.key())) == written.end())
                        written.add(own);
            }
            image->setExifData(written);
        }
        if (!metadata.xmp.empty()) image->setXmpPacket(metadata.xmp);
        if (!metadata.iptc.empty()) {
            Exiv2::IptcData iptc;
            Exiv2::IptcParser::decode(iptc, metadata.iptc.data(),
                                      static_cast<uint32_t>(metadata.iptc.size()));
            image->setIptcData(iptc);
        }
        if (!metadata.comment.empty() && image->imageType() == Exiv2::ImageType::jpeg)
            image->setComment(metadata.comment);
        image->writeMetadata();
    } catch (const Exiv2::AnyError& error) {
        fail(path, std::string("cannot write the metadata (") + error.what() + ")");
    }
}

}  // namespace brivo::host::image_codec
