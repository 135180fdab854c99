// Bitmap resources of a module file, read without running the module: the pictures the
// Icon suite lends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "host/toolkit/canvas.h"

namespace brivo::host::toolkit {

// Bitmap `id` of the module file, as RGB; nothing when the file has no such bitmap, its
// name is not `name`, or its image cannot be read.
std::optional<Picture> loadModuleBitmap(const std::filesystem::path& module, const char* name,
                                        int32_t id);

}  // namespace brivo::host::toolkit
