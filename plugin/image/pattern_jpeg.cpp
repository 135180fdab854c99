// JPEG patterns through libjpeg, from memory. libjpeg's fatal errors return by longjmp
// to the small function that made the failing call; the decompression object is owned
// outside it and destroyed on every path.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "image/pattern_decoder.h"

namespace brivo {
namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void failToJumpPoint(j_common_ptr info) noexcept {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// The module keeps no log.
void dropMessage(j_common_ptr) noexcept {}

class JpegReader {
  public:
    JpegReader() {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = failToJumpPoint;
        errors.manager.output_message = dropMessage;
    }
    // Safe after a failed or missing create: the object is zeroed and owns no memory.
    ~JpegReader() { jpeg_destroy_decompress(&info); }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    jpeg_decompress_struct info{};
    JpegErrors errors{};
};

// The memory source hands out the data and, once it runs out, an end-of-image marker,
// so a truncated file is never read past its end.
bool readHeader(JpegReader* reader, const uint8_t* data, size_t size) {
    if (setjmp(reader->errors.jump)) return false;
    jpeg_create_decompress(&reader->info);
    jpeg_mem_src(&reader->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&reader->info, TRUE);
    jpeg_calc_output_dimensions(&reader->info);
    return true;
}

bool readRows(JpegReader* reader, HostImage* image) {
    if (setjmp(reader->errors.jump)) return false;
    jpeg_decompress_struct* info = &reader->info;
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->data + static_cast<size_t>(info->output_scanline) * image->rowBytes;
        if (jpeg_read_scanlines(info, &row, 1) != 1) return false;
    }
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

ImageHandle decodeJpeg(HostDocument& document, const uint8_t* data, size_t size, std::string* why) {
    const auto refuse = [why](std::string reason) {
        if (why != nullptr) *why = std::move(reason);
        return ImageHandle();
    };
    if (data == nullptr || size == 0) return refuse("not a JPEG file");
    JpegReader reader;
    if (!readHeader(&reader, data, size)) return refuse("the JPEG file is corrupt");
    const jpeg_decompress_struct& info = reader.info;
    if (info.out_color_space != JCS_GRAYSCALE || info.output_components != 1)
        return refuse("a colour JPEG; patterns must be 8-bit greyscale");
    if (!isPatternSizeAllowed(info.output_width, info.output_height))
        return refuse(patternSizeRefusal(info.output_width, info.output_height));

    ImageHandle image = document.allocateBuffer(static_cast<int32_t>(info.output_width),
                                                static_cast<int32_t>(info.output_height), 1, 1,
                                                plugInModeGrayScale);
    if (!readRows(&reader, image.get())) return refuse("the JPEG data is corrupt");
    return image;
}

}  // namespace brivo
