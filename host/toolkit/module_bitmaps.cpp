#include "host/toolkit/module_bitmaps.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "host/files/png_codec.h"
#include "host/scripting/resource_reader.h"
#include "pluginapi/resource_section.h"

namespace brivo::host::toolkit {

std::optional<Picture> loadModuleBitmap(const std::filesystem::path& module, const char* name,
                                        int32_t id) {
    try {
        const ResourceReader reader(module);
        const Resource* resource = reader.find(BRIVO_RESOURCE_BITMAP, id);
        if (!resource || resource->bytes.empty()) return std::nullopt;
        const std::vector<uint8_t>& bytes = resource->bytes;
        const size_t nameLength = bytes[0];
        if (1 + nameLength >= bytes.size()) return std::nullopt;
        const std::string_view stored(reinterpret_cast<const char*>(bytes.data() + 1), nameLength);
        if (name && stored != name) return std::nullopt;

        // The PNG is read from memory through the host's own PNG reader.
        std::vector<uint8_t> png(bytes.begin() + 1 + static_cast<std::ptrdiff_t>(nameLength),
                                 bytes.end());
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fmemopen(png.data(), png.size(), "rb"),
                                                             &std::fclose);
        if (!file) return std::nullopt;
        const PlanarDocument image =
            image_codec::readPng(file.get(), std::string(stored), ReadOptions{});
        Picture picture;
        picture.width = image.width;
        picture.height = image.height;
        picture.rgb.resize(image.pixelCount() * 3);
        for (size_t i = 0; i < image.pixelCount(); ++i)
            for (size_t c = 0; c < 3; ++c)
                picture.rgb[i * 3 + c] = image.planes[image.planes.size() == 1 ? 0 : c][i];
        return picture;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return std::nullopt;  // an unreadable file or image is a missing bitmap
    }
}

}  // namespace brivo::host::toolkit
